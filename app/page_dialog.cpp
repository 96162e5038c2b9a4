#include "app/page_dialog.h"

#include "app/brindlow_form_tabbed.h"
#include "components/easysize.h"
#include "components/embedded_form_control.h"
#include "components/form_registry.h"
#include "components/list_strings.h"
#include "components/t_saved_form_unit.h"
#include "foundation/language.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Sizes of 100 pixels or less are not minimum sizes worth keeping.
constexpr int smallestMinimum = 100;

} // namespace

TPageDialog::TPageDialog(const QString& name, const QString& pageName, QWidget* parent)
    : QDialog(parent), pageName_(pageName)
{
    setObjectName(name);
    FormRegistry::Instance().Register(this);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    ListStringsToTranslate = NewListStringsToTranslate(this);
    FormResizer1 = NewFormResizer1(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

TEmbeddedFormControl* TPageDialog::AddPagePanel(const QString& panelName, const QString& controlName)
{
    auto* panel = new QWidget(this);
    panel->setObjectName(panelName);
    (new QVBoxLayout(panel))->setContentsMargins(0, 0, 0, 0);
    auto* control = new TEmbeddedFormControl(panel);
    control->setObjectName(controlName);
    panel->layout()->addWidget(control);
    layout()->addWidget(panel);
    static_cast<QVBoxLayout*>(layout())->setStretchFactor(panel, 1);
    control->SetEmbeddedFormName(pageName_);
    return control;
}

QPushButton* TPageDialog::AddOkBar(const QString& panelName, const QString& bevelName,
                                   const QString& buttonName)
{
    auto* panel = new QWidget(this);
    panel->setObjectName(panelName);
    auto* rows = new QVBoxLayout(panel);
    auto* bevel = new QFrame(panel);
    bevel->setObjectName(bevelName);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    rows->addWidget(bevel);
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("Ok"), panel);
    ok->setObjectName(buttonName);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addStretch();
    buttons->addWidget(ok);
    rows->addLayout(buttons);
    layout()->addWidget(panel);
    return ok;
}

void TPageDialog::FormCreate(int minimumWidth, int minimumHeight)
{
    setMinimumSize(minimumWidth, minimumHeight);
    QSize size = sizeHint().expandedTo(minimumSize());
    if (minimumWidth > smallestMinimum)
        size.setWidth(minimumWidth);
    if (minimumHeight > smallestMinimum)
        size.setHeight(minimumHeight);
    resize(size);
    FormResizer1->AdaptToScreen(true);
    CentreOnScreen(this);
}

void TPageDialog::Translate()
{
    TranslateForm(this, ListStringsToTranslate->Properties());
}

TBrindlowTabbedForm* TPageDialog::Page() const
{
    return qobject_cast<TBrindlowTabbedForm*>(FormRegistry::Instance().Find(pageName_));
}

int TPageDialog::ShowPage(const QString& caption)
{
    setWindowTitle(caption);
    // The page may be closed with the program while the dialog is open.
    const QPointer<TBrindlowTabbedForm> page = Page();
    if (page)
        page->SetActive(true);
    const int result = exec();
    if (page)
        page->SetActive(false);
    return result;
}
