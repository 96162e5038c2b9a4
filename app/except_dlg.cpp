#include "app/except_dlg.h"

#include "components/easysize.h"
#include "components/qt_dialogs.h"
#include "foundation/exceptions.h"
#include "foundation/language.h"
#include "foundation/program_globals.h"
#include "platform/dialogs.h"
#include "platform/messages.h"
#include "platform/paths.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>
#include <QThread>

#include <cxxabi.h>
#include <typeinfo>

namespace {

bool onMainThread()
{
    const QCoreApplication* application = QCoreApplication::instance();
    return !application || QThread::currentThread() == application->thread();
}

QString endedWithPoint(QString message)
{
    message.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return message.endsWith(u'.') ? message : message + u'.';
}

QString withLineEnd(const QString& text)
{
    return text.endsWith(u'\n') ? text : text + u'\n';
}

QLabel* makeLabel(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QFrame* makeBevel(QWidget* parent, const char* name)
{
    auto* bevel = new QFrame(parent);
    bevel->setObjectName(QLatin1String(name));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    return bevel;
}

QPushButton* makeButton(QWidget* parent, const char* name)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setEnabled(false);
    return button;
}

bool isCopy(QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    return static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy);
}

TExceptionDialogFactory& dialogFactory()
{
    static TExceptionDialogFactory factory = [] { return new TExceptionDialog; };
    return factory;
}

constexpr int IconGap = 12;
constexpr int IconAbove = 15;

} // namespace

QString SafeTranslateMsg(const QString& text)
{
    try {
        return TranslateMsg(text);
    } catch (const EKorvaneError&) {
        return text;
    }
}

TCaughtException CurrentCaughtException()
{
    TCaughtException caught;
    caught.Stack = plat::CurrentExceptionThrowStack();
    if (caught.Stack.Frames.empty())
        caught.Stack = plat::CurrentStack();
    if (!onMainThread())
        caught.Thread = plat::CurrentThreadDescription();
    try {
        throw;
    } catch (const EKorvaneError& error) {
        caught.ClassName = plat::DemangledName(typeid(error).name());
        caught.Message = error.Message();
    } catch (const std::exception& error) {
        caught.ClassName = plat::DemangledName(typeid(error).name());
        caught.Message = QString::fromLocal8Bit(error.what());
    } catch (...) {
        const std::type_info* type = abi::__cxa_current_exception_type();
        caught.ClassName = type ? plat::DemangledName(type->name()) : QStringLiteral("unknown");
        caught.Message = SafeTranslateMsg("Unknown exception");
    }
    return caught;
}

TSimpleExceptionLog::TSimpleExceptionLog(const QString& fileName) : FileName(fileName) {}

TSimpleExceptionLog::~TSimpleExceptionLog() = default;

QString TSimpleExceptionLog::DefaultFileName()
{
    return QFileInfo(GlobalSettingsFileName()).path() + u'/' + plat::ExecutableName() +
           QStringLiteral("_Err.log");
}

void TSimpleExceptionLog::OpenLog()
{
    if (file_)
        return;
    auto file = std::make_unique<QFile>(FileName);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    fileWasEmpty_ = file->size() == 0;
    file_ = std::move(file);
}

void TSimpleExceptionLog::CloseLog()
{
    file_.reset();
}

void TSimpleExceptionLog::WriteStamp(int width)
{
    width = width == 0 ? 100 : std::max(width, 20);
    OpenLog();
    if (!file_)
        return;
    const QString rule(width, u'=');
    const QString now = QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
    QString stamp = fileWasEmpty_ ? QString() : QStringLiteral("\n");
    stamp += rule + u'\n' + QStringLiteral("= %1 =").arg(now, -(width - 4)) + u'\n' + rule + u'\n';
    file_->write(stamp.toUtf8());
    fileWasEmpty_ = false;
}

void TSimpleExceptionLog::Write(const QString& text)
{
    if (!file_)
        return;
    static const QRegularExpression trailingBlanks(QStringLiteral("\\s+$"));
    QString lines;
    for (QString line : text.split(u'\n'))
        lines += line.remove(trailingBlanks) + u'\n';
    file_->write(lines.toUtf8());
}

TExceptionDialog::TExceptionDialog(QWidget* parent) : TExceptionDialog(parent, QSize(380, 321), 60) {}

TExceptionDialog::TExceptionDialog(QWidget* parent, const QSize& designSize, int headerHeight)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      headerHeight_(headerHeight)
{
    setObjectName(QStringLiteral("ExceptionDialog"));
    PanelHeader = new QWidget(this);
    PanelHeader->setObjectName(QStringLiteral("PanelHeader"));
    PanelHeader->setAutoFillBackground(true);
    LabelHeaderTitle = makeLabel(PanelHeader, "LabelHeaderTitle");
    QFont bold = LabelHeaderTitle->font();
    bold.setBold(true);
    LabelHeaderTitle->setFont(bold);
    LabelHeaderMessage = makeLabel(PanelHeader, "LabelHeaderMessage");
    LabelHeaderMessage->setWordWrap(true);
    LabelHeaderMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LabelErrorTitle = makeLabel(this, "LabelErrorTitle");
    TextLabel = new QPlainTextEdit(this);
    TextLabel->setObjectName(QStringLiteral("TextLabel"));
    TextLabel->setReadOnly(true);
    TextLabel->setFrameShape(QFrame::NoFrame);
    TextLabel->setBackgroundRole(QPalette::Window);
    BevelBefore = makeBevel(this, "BevelBefore");
    BevelAfter = makeBevel(this, "BevelAfter");
    DetailsMemo = new QPlainTextEdit(this);
    DetailsMemo->setObjectName(QStringLiteral("DetailsMemo"));
    DetailsMemo->setReadOnly(true);
    DetailsMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    DetailsMemo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    DetailsMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DetailsMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ExceptionDialogOkButton = makeButton(this, "ExceptionDialogOkButton");
    ExceptionDialogOkButton->setDefault(true);
    ExceptionDialogDetailsButton = makeButton(this, "ExceptionDialogDetailsButton");
    ExceptionDialogOkButton->setText(QStringLiteral("&Ok"));
    ExceptionDialogDetailsButton->setText(QStringLiteral("&Details"));
    connect(ExceptionDialogOkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ExceptionDialogDetailsButton, &QPushButton::clicked, this,
            [this] { ShowDetails(!detailsShown_); });
    // Ctrl+C copies the whole report wherever the focus is.
    for (QWidget* child : {static_cast<QWidget*>(TextLabel), static_cast<QWidget*>(DetailsMemo)})
        child->installEventFilter(this);

    setMinimumSize(300, 200);
    resize(designSize);
    FormResizer1 = new TFormResizer(this);
    FormResizer1->setObjectName(QStringLiteral("FormResizer1"));
    FormResizer1->AdaptToScreen(true);
    fullHeight_ = height();
    ShowDetails(false);
    setWindowTitle(QApplication::applicationName());
}

TExceptionDialog::~TExceptionDialog() = default;

void TExceptionDialog::SetException(const TCaughtException& exception, QWidget* activeControl)
{
    exception_ = exception;
    lastActiveControl_ = activeControl;
    TextLabel->setPlainText(endedWithPoint(exception.Message));
    UpdateMessageScrollBar();
    QStringList head{QStringLiteral("Exception class: %1").arg(exception.ClassName)};
    if (!exception.Thread.isEmpty())
        head << QStringLiteral("Thread: %1").arg(exception.Thread);
    else
        head << QString::asprintf("Exception address: %p",
                                  exception.Stack.Frames.empty() ? nullptr : exception.Stack.Frames.front());
    head << DelimiterLine();
    DetailsMemo->setPlainText(head.join(u'\n'));
}

QString TExceptionDialog::DelimiterLine() const
{
    return QString(ReportMaxColumns(), ReportDelimiter);
}

void TExceptionDialog::TranslateTexts()
{
    LabelHeaderTitle->setText(SafeTranslateMsg("Application Error"));
    LabelErrorTitle->setText(SafeTranslateMsg("Error message:"));
    LabelHeaderMessage->setText(SafeTranslateMsg("An error has occurred in the program. If the problem "
                                                 "persists, save your work and restart the program."));
    ExceptionDialogOkButton->setText(SafeTranslateMsg("&Ok"));
    ExceptionDialogDetailsButton->setText(SafeTranslateMsg("&Details"));
    TextLabel->setToolTip(SafeTranslateMsg("Use Ctrl+C to copy the report to the clipboard"));
    ExceptionDialogDetailsButton->setToolTip(SafeTranslateMsg("Show or hide additional information"));
    UpdateDetailsCaption();
}

void TExceptionDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    TranslateTexts();
    BeforeCreateDetails();
    QApplication::beep();
    // The dialog is painted before the slower report is gathered.
    QMetaObject::invokeMethod(this, &TExceptionDialog::CreateDetails, Qt::QueuedConnection);
}

QStringList TExceptionDialog::ReportSections() const
{
    QStringList lines;
    const QString delimiter = DelimiterLine();
    if (!exception_.Stack.Frames.empty()) {
        lines << QStringLiteral("Stack list, generated %1")
                     .arg(QLocale::system().toString(exception_.Stack.Taken, QLocale::ShortFormat));
        lines << plat::DescribeStack(exception_.Stack) << delimiter;
    }
    const plat::SystemData system = plat::ReadSystemData();
    lines << QString::asprintf("System   : %s %s, Version: %d.%d, Build: %x, ", qUtf8Printable(system.Name),
                               qUtf8Printable(system.Product), system.Major, system.Minor, system.Build) +
                 u'"' + system.Release + u'"';
    const plat::ProcessorData processor = plat::ReadProcessorData();
    lines << QStringLiteral("Processor: %1, %2, %3 MHz%4")
                 .arg(processor.Vendor, processor.Name, QString::number(processor.Mhz), processor.Features);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        lines << QStringLiteral("Display  : %1x%2 pixels, %3 bpp")
                     .arg(screen->geometry().width())
                     .arg(screen->geometry().height())
                     .arg(screen->depth());
    lines << delimiter;
    const std::vector<plat::LoadedModule> modules = plat::LoadedModules();
    if (!modules.empty()) {
        const QString indent(11, u' ');
        lines << QStringLiteral("List of loaded modules:");
        for (const plat::LoadedModule& module : modules) {
            lines << QString::asprintf("[%.8llx] ", static_cast<unsigned long long>(module.Address)) +
                         module.FileName;
            lines << indent +
                         (module.Version.isEmpty() ? QStringLiteral("(no version info)") : module.Version);
            if (!module.Description.isEmpty())
                lines << indent + module.Description;
        }
        lines << delimiter;
    }
    if (lastActiveControl_) {
        lines << QStringLiteral("Active Controls hierarchy:");
        for (const QWidget* control = lastActiveControl_; control; control = control->parentWidget())
            lines << QStringLiteral("%1 \"%2\"")
                         .arg(QLatin1String(control->metaObject()->className()), control->objectName());
        lines << delimiter;
    }
    return lines;
}

void TExceptionDialog::CreateDetails()
{
    if (detailsCreated_)
        return;
    detailsCreated_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    DetailsMemo->appendPlainText(ReportSections().join(u'\n'));
    if (Tag & LogEveryReport) {
        log_.WriteStamp(ReportMaxColumns());
        log_.Write(ReportText());
        log_.CloseLog();
    }
    DetailsMemo->moveCursor(QTextCursor::Start);
    DetailsMemo->ensureCursorVisible();
    AfterCreateDetails();
    ExceptionDialogOkButton->setEnabled(true);
    ExceptionDialogDetailsButton->setEnabled(true);
    ExceptionDialogOkButton->setFocus();
    QApplication::restoreOverrideCursor();
}

QString TExceptionDialog::ReportText() const
{
    return withLineEnd(TextLabel->toPlainText()) + u'\n' + DetailsMemo->toPlainText();
}

void TExceptionDialog::CopyReport()
{
    QGuiApplication::clipboard()->setText(ReportText());
    QApplication::beep();
}

void TExceptionDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy))
        CopyReport();
    else
        QDialog::keyPressEvent(event);
}

bool TExceptionDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (!isCopy(event))
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress)
        CopyReport();
    event->accept();
    return true;
}

void TExceptionDialog::UpdateDetailsCaption()
{
    static const QRegularExpression marks(QStringLiteral("<<|>>"));
    const QString caption = ExceptionDialogDetailsButton->text().remove(marks).trimmed();
    ExceptionDialogDetailsButton->setText(detailsShown_ ? QStringLiteral("<< ") + caption
                                                        : caption + QStringLiteral(" >>"));
}

void TExceptionDialog::ShowDetails(bool show)
{
    if (show) {
        setMinimumHeight(nonDetailsHeight_ + 100);
        const QScreen* screen = this->screen();
        setMaximumHeight(screen ? screen->availableGeometry().height() : QWIDGETSIZE_MAX);
        resize(width(), fullHeight_);
    } else {
        fullHeight_ = height();
        if (nonDetailsHeight_ == 0) {
            LayoutControls();
            nonDetailsHeight_ = BevelAfter->y();
        }
        setMinimumHeight(nonDetailsHeight_);
        setMaximumHeight(nonDetailsHeight_);
        resize(width(), nonDetailsHeight_);
    }
    detailsShown_ = show;
    DetailsMemo->setVisible(show);
    PanelHeader->setBackgroundRole(show ? QPalette::Base : QPalette::Window);
    UpdateDetailsCaption();
    LayoutControls();
}

void TExceptionDialog::LayoutControls()
{
    const int w = width();
    const int top = headerHeight_;
    PanelHeader->setGeometry(0, 0, w, top);
    LabelHeaderTitle->setGeometry(10, 6, w - 20, 18);
    LabelHeaderMessage->setGeometry(10, 26, w - 20, top - 28);
    LabelErrorTitle->setGeometry(56, top + 8, w - 64, 16);
    TextLabel->setGeometry(56, top + 26, w - 64, 64);
    BevelBefore->setGeometry(8, top + 96, w - 16, 2);
    ExceptionDialogOkButton->setGeometry(w - 88, top + 104, 80, 25);
    ExceptionDialogDetailsButton->setGeometry(w - 176, top + 104, 80, 25);
    BevelAfter->setGeometry(8, top + 135, w - 16, 2);
    const int memoTop = top + 141;
    DetailsMemo->setGeometry(8, memoTop, w - 16, std::max(0, height() - memoTop - 3));
}

void TExceptionDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    LayoutControls();
    if (!(Tag & KeepMessageScrollBars))
        UpdateMessageScrollBar();
}

void TExceptionDialog::UpdateMessageScrollBar()
{
    const int lineHeight = QFontMetrics(TextLabel->font()).boundingRect(QStringLiteral("Wg")).height();
    const bool overflows = TextLabel->document()->lineCount() * lineHeight > TextLabel->viewport()->height();
    TextLabel->setVerticalScrollBarPolicy(overflows ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TExceptionDialog::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    const QIcon icon = style()->standardIcon(QStyle::SP_MessageBoxCritical, nullptr, this);
    QPainter painter(this);
    icon.paint(&painter, TextLabel->x() - size - IconGap, TextLabel->y() - IconAbove, size, size);
}

void SetExceptionDialogClass(TExceptionDialogFactory factory)
{
    dialogFactory() = std::move(factory);
}

void ShowException(const TCaughtException& exception)
{
    const std::unique_ptr<TExceptionDialog> dialog(dialogFactory()());
    dialog->SetException(exception, QApplication::focusWidget());
    plat::ExecOwned(*dialog, plat::DialogOwner());
}

void HandleException(const TCaughtException& exception)
{
    static bool showing = false;
    if (showing) {
        plat::ShowError(endedWithPoint(exception.Message));
        return;
    }
    showing = true;
    try {
        ShowException(exception);
    } catch (...) {
        showing = false;
        plat::ShowError(endedWithPoint(exception.Message));
        return;
    }
    showing = false;
}

void ReportCurrentException()
{
    const TCaughtException caught = CurrentCaughtException();
    if (onMainThread())
        HandleException(caught);
    else
        plat::RunOnMain(QCoreApplication::instance(), [caught] { HandleException(caught); });
}

bool DeliverReportingExceptions(const std::function<bool()>& deliver)
{
    try {
        return deliver();
    } catch (...) {
        ReportCurrentException();
        return true;
    }
}
