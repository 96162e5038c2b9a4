#include "components/easysize.h"

#include "components/form_registry.h"

#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMetaProperty>
#include <QScreen>
#include <QSizeGrip>
#include <QStatusBar>

#include <algorithm>
#include <cmath>

namespace {

bool automaticScaling = true;

int scaled(int value, double ratio)
{
    return static_cast<int>(std::lrint(value * ratio));
}

// A constraint of 0 (no minimum) or QWIDGETSIZE_MAX (no maximum) stays what it is.
int scaledConstraint(int value, double ratio)
{
    if (value <= 0 || value >= QWIDGETSIZE_MAX)
        return value;
    return std::min(scaled(value, ratio), QWIDGETSIZE_MAX);
}

// Whole points, rounded down, kept within the bounds; a minimum above the maximum is lowered to it
// for good.
int scaledFontSize(double size, double ratio, int& minSize, int maxSize)
{
    if (minSize > maxSize)
        minSize = maxSize;
    const int wanted = static_cast<int>(std::floor(size * ratio));
    return std::clamp(wanted, minSize, maxSize);
}

// Points when the font has them; a font given in pixels is scaled in pixels, without the point
// bounds.
double fontSize(const QFont& font)
{
    return font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize();
}

void setScaledFontSize(QFont& font, double size, double ratio, int& minSize, int maxSize)
{
    if (font.pointSizeF() > 0)
        font.setPointSize(scaledFontSize(size, ratio, minSize, maxSize));
    else if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, static_cast<int>(std::floor(size * ratio))));
}

bool isLineBevel(const QWidget* control)
{
    const auto* frame = qobject_cast<const QFrame*>(control);
    return frame && control->metaObject() == &QFrame::staticMetaObject &&
           (frame->frameShape() == QFrame::HLine || frame->frameShape() == QFrame::VLine);
}

bool isComponent(const QWidget* widget)
{
    const QString name = widget->objectName();
    return !name.isEmpty() && !name.startsWith(QStringLiteral("qt_"));
}

void collectControls(QWidget* parent, std::vector<QWidget*>& controls)
{
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow() || FormRegistry::Instance().IsForm(widget))
            continue;
        if (isComponent(widget))
            controls.push_back(widget);
        collectControls(widget, controls);
    }
}

} // namespace

void SetAutomaticScaling(bool on)
{
    automaticScaling = on;
}

bool AutomaticScaling()
{
    return automaticScaling;
}

TSingleResizer::TSingleResizer(QWidget* Control, QWidget* OwnerControl, bool ResizeFont, int MinFontSize,
                               int MaxFontSize)
    : control_(Control), resizeFont_(ResizeFont), minFontSize_(MinFontSize), maxFontSize_(MaxFontSize),
      ownerControl_(OwnerControl)
{
    if (!Control)
        throw EResizerException(QStringLiteral("TSingleResizer created without a component link"));
    if (!OwnerControl)
        throw EResizerException(QStringLiteral("TSingleResizer created without a parent form link"));
    const QRect bounds = Control->geometry();
    left_ = bounds.x();
    top_ = bounds.y();
    width_ = bounds.width();
    height_ = bounds.height();
    ownerHeight_ = OwnerControl->height();
    ownerWidth_ = OwnerControl->width();
    minimumSize_ = Control->minimumSize();
    maximumSize_ = Control->maximumSize();
    hasFont_ = Control->metaObject()->indexOfProperty("font") >= 0;
    if (hasFont_) {
        font_ = Control->font();
        fontSize_ = fontSize(font_);
    }
    scaleHeight_ = !isLineBevel(Control);
}

void TSingleResizer::Resize(double NewOwnerHeight, double NewOwnerWidth, double HeightRatio,
                            double WidthRatio)
{
    if (!control_)
        return;
    QRect bounds = control_->geometry();
    if (std::lrint(NewOwnerHeight) == ownerHeight_ && std::lrint(NewOwnerWidth) == ownerWidth_) {
        Restore(bounds);
        ApplyBounds(bounds);
        return;
    }
    Scale(bounds, HeightRatio, WidthRatio);
    if (hasFont_ && resizeFont_)
        ScaleFont(HeightRatio);
    ScaleItemHeight(HeightRatio);
    ApplyBounds(bounds);
}

void TSingleResizer::Restore(QRect& bounds)
{
    QSize minimum = control_->minimumSize(), maximum = control_->maximumSize();
    if (scaleHeight_) {
        bounds.setHeight(height_);
        minimum.setHeight(minimumSize_.height());
        maximum.setHeight(maximumSize_.height());
    }
    if (scaleWidth_) {
        bounds.setWidth(width_);
        minimum.setWidth(minimumSize_.width());
        maximum.setWidth(maximumSize_.width());
    }
    if (scaleLeft_)
        bounds.moveLeft(left_);
    if (scaleTop_)
        bounds.moveTop(top_);
    control_->setMinimumSize(minimum);
    control_->setMaximumSize(maximum);
    if (hasFont_ && resizeFont_) {
        QFont font = control_->font();
        if (font_.pointSizeF() > 0)
            font.setPointSizeF(fontSize_);
        else if (font_.pixelSize() > 0)
            font.setPixelSize(static_cast<int>(fontSize_));
        control_->setFont(font);
    }
}

void TSingleResizer::Scale(QRect& bounds, double HeightRatio, double WidthRatio)
{
    QSize minimum = control_->minimumSize(), maximum = control_->maximumSize();
    if (scaleHeight_) {
        bounds.setHeight(scaled(height_, HeightRatio));
        minimum.setHeight(scaledConstraint(minimumSize_.height(), HeightRatio));
        maximum.setHeight(scaledConstraint(maximumSize_.height(), HeightRatio));
    }
    if (scaleWidth_) {
        bounds.setWidth(scaled(width_, WidthRatio));
        minimum.setWidth(scaledConstraint(minimumSize_.width(), WidthRatio));
        maximum.setWidth(scaledConstraint(maximumSize_.width(), WidthRatio));
        ScaleStatusBarPanels(WidthRatio);
    }
    if (scaleLeft_)
        bounds.moveLeft(scaled(left_, WidthRatio));
    if (scaleTop_)
        bounds.moveTop(scaled(top_, HeightRatio));
    control_->setMinimumSize(minimum);
    control_->setMaximumSize(maximum);
}

void TSingleResizer::ScaleFont(double HeightRatio)
{
    QFont font = control_->font();
    setScaledFontSize(font, fontSize_, HeightRatio, minFontSize_, maxFontSize_);
    control_->setFont(font);
}

void TSingleResizer::ScaleStatusBarPanels(double WidthRatio) const
{
    auto* bar = qobject_cast<QStatusBar*>(control_.data());
    if (!bar)
        return;
    for (QObject* child : bar->children()) {
        auto* panel = qobject_cast<QWidget*>(child);
        if (!panel || panel->isWindow() || qobject_cast<QSizeGrip*>(panel) || isComponent(panel))
            continue;
        const bool fixed = panel->maximumWidth() == panel->minimumWidth();
        panel->setMinimumWidth(scaledConstraint(panel->minimumWidth(), WidthRatio));
        if (fixed)
            panel->setMaximumWidth(panel->minimumWidth());
    }
}

void TSingleResizer::ScaleItemHeight(double HeightRatio) const
{
    // The forms' post-resize handlers scale the enhanced combo boxes: scaling them here too would do it
    // twice.
    if (!qobject_cast<QComboBox*>(control_.data()) || control_->inherits("TCustomEnhComboBox"))
        return;
    bool ok = false;
    const int itemHeight = control_->property("ItemHeight").toInt(&ok);
    if (ok)
        control_->setProperty("ItemHeight", scaled(itemHeight, HeightRatio));
}

void TSingleResizer::ApplyBounds(const QRect& bounds) const
{
    control_->setGeometry(bounds);
    auto* label = qobject_cast<QLabel*>(control_.data());
    if (label && label->property("AutoSize").toBool()) {
        label->adjustSize();
        label->repaint();
    }
}

TFormResizer::TFormResizer(QObject* AOwner) : QObject(AOwner)
{
    if (!AOwner)
        throw EResizerException(QStringLiteral("TFormResizer created without an owner"));
    if (!AOwner->isWidgetType())
        throw EResizerException(QStringLiteral("TFormResizer owner must be a panel or form"));
}

QWidget* TFormResizer::Owner() const
{
    return static_cast<QWidget*>(parent());
}

int TFormResizer::ScreenPixelsPerInch() const
{
    const QScreen* screen = Owner()->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? static_cast<int>(std::lrint(screen->logicalDotsPerInch())) : DesignPixelsPerInch;
}

void TFormResizer::AdaptToScreen(bool ScaleMinSize)
{
    if (adapted_ || !AutomaticScaling())
        return;
    ResizeFonts = true;
    MinFontSize = 7;
    EnforceMinSize = false;
    const int ppi = ScreenPixelsPerInch();
    if (ppi != DesignPixelsPerInch) {
        InitializeResizer();
        QWidget* owner = Owner();
        const QSize minimum = owner->minimumSize(), maximum = owner->maximumSize();
        owner->setMinimumSize(0, 0);
        owner->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        const auto byScreen = [ppi](int value) {
            return static_cast<int>(static_cast<qint64>(value) * ppi / DesignPixelsPerInch);
        };
        owner->resize(byScreen(owner->width()), byScreen(owner->height()));
        ResizeAll(static_cast<double>(ppi) / DesignPixelsPerInch);
        if (ScaleMinSize)
            owner->setMinimumSize(byScreen(minimum.width()), byScreen(minimum.height()));
        const auto maximumByScreen = [&](int value) {
            return value >= QWIDGETSIZE_MAX ? value : std::min(byScreen(value), QWIDGETSIZE_MAX);
        };
        owner->setMaximumSize(maximumByScreen(maximum.width()), maximumByScreen(maximum.height()));
    }
    adapted_ = true;
}

void TFormResizer::InitializeResizer()
{
    if (initialized_)
        return;
    initialized_ = true;
    QWidget* owner = Owner();
    initialHeight_ = owner->height();
    initialWidth_ = owner->width();
    std::vector<QWidget*> controls;
    collectControls(owner, controls);
    for (QWidget* control : controls)
        records_.emplace_back(control, owner, ResizeFonts, MinFontSize, MaxFontSize);
}

void TFormResizer::ResizeAll(double Ratio)
{
    if (adapted_)
        return;
    QWidget* owner = Owner();
    if (EnforceMinSize)
        owner->resize(std::max(owner->width(), initialWidth_), std::max(owner->height(), initialHeight_));
    const double newHeight = initialHeight_ * Ratio;
    const double newWidth = initialWidth_ * Ratio;
    for (TSingleResizer& record : records_) {
        record.Resize(newHeight, newWidth, Ratio, Ratio);
        // A released control has nothing left for the form to adjust.
        if (record.Control())
            DoPostResize(this, record.Control(), Ratio, Ratio);
    }
}

void TFormResizer::DoPostResize(QObject* Sender, QWidget* Comp, double HeightRatio, double WidthRatio)
{
    if (OnPostResize)
        OnPostResize(Sender, Comp, HeightRatio, WidthRatio);
}

void TFormResizer::ResizeFontProp(QObject* Control, const char* PropName, double Ratio)
{
    if (!ResizeFonts || !Control)
        return;
    const int index = Control->metaObject()->indexOfProperty(PropName);
    if (index < 0)
        return;
    const QMetaProperty property = Control->metaObject()->property(index);
    const QVariant value = property.read(Control);
    if (value.typeId() != QMetaType::QFont)
        return;
    QFont font = value.value<QFont>();
    setScaledFontSize(font, fontSize(font), Ratio, MinFontSize, MaxFontSize);
    property.write(Control, font);
}

TFormResizer* NewFormResizer1(QWidget* form)
{
    auto* resizer = new TFormResizer(form);
    resizer->setObjectName(QStringLiteral("FormResizer1"));
    resizer->ResizeFonts = true;
    resizer->MinFontSize = 6;
    resizer->MaxFontSize = 48;
    return resizer;
}
