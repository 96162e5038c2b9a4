#pragma once

#include "foundation/exceptions.h"

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QWidget>

#include <functional>
#include <vector>

class EResizerException : public EKorvaneError {
public:
    using EKorvaneError::EKorvaneError;
};

// The pixels per inch every form of the program is laid out for.
inline constexpr int DesignPixelsPerInch = 96;

// Whether forms adapt themselves to the screen at all; on at start, the start-up settings switch it
// off when "NoScaling" is set.
void SetAutomaticScaling(bool on);
bool AutomaticScaling();

using TPostResizeEvent =
    std::function<void(QObject* Sender, QWidget* Comp, double HeightRatio, double WidthRatio)>;

// The record of one control: its bounds, size constraints and font as laid out, against which every
// resize is computed, so repeated resizes never accumulate rounding.
class TSingleResizer {
public:
    TSingleResizer(QWidget* Control, QWidget* OwnerControl, bool ResizeFont, int MinFontSize,
                   int MaxFontSize);

    // The owner's new size decides between restoring the recorded layout exactly (the recorded
    // size) and scaling it by the ratios.
    void Resize(double NewOwnerHeight, double NewOwnerWidth, double HeightRatio, double WidthRatio);
    // Forgets the control; later resizes do nothing. A destroyed control is forgotten by itself.
    void ReleaseControl() { control_ = nullptr; }
    QWidget* Control() const { return control_; }

private:
    void Restore(QRect& bounds);
    void Scale(QRect& bounds, double HeightRatio, double WidthRatio);
    void ScaleFont(double HeightRatio);
    void ScaleStatusBarPanels(double WidthRatio) const;
    void ScaleItemHeight(double HeightRatio) const;
    void ApplyBounds(const QRect& bounds) const;

    QPointer<QWidget> control_;
    bool scaleHeight_ = true, scaleLeft_ = true, scaleTop_ = true, scaleWidth_ = true;
    bool resizeFont_;
    int minFontSize_, maxFontSize_;
    bool hasFont_ = false;
    QFont font_;
    int height_, ownerHeight_, left_, top_, width_, ownerWidth_;
    // A Qt widget refuses bounds outside its constraints, so they follow the bounds.
    QSize minimumSize_, maximumSize_;
    double fontSize_ = 0;
    QPointer<QWidget> ownerControl_;
};

// Scales a form laid out at 96 pixels per inch, once, to the pixels per inch of its screen: the
// form's size and constraints, and the bounds and fonts of every control it owns. The controls a
// form owns are its named widgets (every component of the program carries its name), found through
// containers but not inside other windows or embedded forms. A status bar's panels are the unnamed
// widgets it lays out; a panel's width is its minimum width. A combo box's item height is its
// "ItemHeight" property (the enhanced combo boxes' is left to the form's post-resize handler), a label fits
// its text after the resize when its "AutoSize" property is true, and a plain QFrame drawn as a line keeps
// its height.
class TFormResizer : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool ResizeFonts MEMBER ResizeFonts)
    Q_PROPERTY(int MinFontSize MEMBER MinFontSize)
    Q_PROPERTY(int MaxFontSize MEMBER MaxFontSize)
    Q_PROPERTY(bool EnforceMinSize MEMBER EnforceMinSize)

public:
    // Throws EResizerException without an owner, or with one that is not a widget.
    explicit TFormResizer(QObject* AOwner);

    bool ResizeFonts = false;
    int MinFontSize = 6;
    int MaxFontSize = 48;
    bool EnforceMinSize = false;
    TPostResizeEvent OnPostResize;

    // The one-time adaptation, run by the form when it is created. ScaleMinSize false leaves the
    // form without a minimum size.
    virtual void AdaptToScreen(bool ScaleMinSize);
    virtual void InitializeResizer();
    virtual void ResizeAll(double Ratio);
    virtual void DoPostResize(QObject* Sender, QWidget* Comp, double HeightRatio, double WidthRatio);
    // Scales the font held in the named property of a control (fonts the resizer does not know).
    void ResizeFontProp(QObject* Control, const char* PropName, double Ratio);

    bool Adapted() const { return adapted_; }

protected:
    virtual int ScreenPixelsPerInch() const;

private:
    QWidget* Owner() const;

    int initialHeight_ = 0;
    int initialWidth_ = 0;
    std::vector<TSingleResizer> records_;
    bool initialized_ = false;
    bool adapted_ = false;
};

// The resizer every form carries as "FormResizer1": fonts scaled, between 6 and 48 points.
TFormResizer* NewFormResizer1(QWidget* form);
