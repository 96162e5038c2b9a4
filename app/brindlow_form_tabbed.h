#pragma once

#include "app/tabbed_form.h"

class TFormResizer;
class TListStrings;
class TSettings;

// What a form's resizer leaves to the form for one control it has scaled: a link label's focus font,
// the fonts of scrolling credits and the item height of the enhanced combo boxes.
void ScaleFontsAndItemHeights(TFormResizer& resizer, QWidget* control, double heightRatio);

// The base of every page: the main window and the host dialogs drive all pages through the same
// protocol of activation, translation and settings.
class TBrindlowTabbedForm : public TFormToEmbed {
    Q_OBJECT

public:
    explicit TBrindlowTabbedForm(QWidget* parent = nullptr);

    TListStrings* ListStringsToTranslate;
    TFormResizer* FormResizer1;

    // Floats centred on the screen rather than on the host's window.
    void Float() override;

    virtual void PageShow() {}
    virtual void PageHide() {}
    virtual void Translate();
    virtual void SetSettingsStore(TSettings* settings) { settings_ = settings; }
    virtual void LoadSettings() {}
    virtual void SaveSettings() {}
    virtual void DefineDefaults() {}
    virtual void EnableControls(bool enabled) { (void)enabled; }
    virtual void SettingsLoaded() {}

    // Shows or hides the page through PageShow and PageHide, once per change of state.
    void SetActive(bool value);
    bool IsInactive() const { return inactive_; }
    // Inactive while sitting in a host: the page is hidden behind another one.
    bool IsInactiveEmbedded() const;

protected:
    // Called by each page once its controls exist: the resizer records them as laid out.
    void FormCreate();
    TSettings* SettingsStore() const { return settings_; }

private:
    void FormResizer1PostResize(QObject* sender, QWidget* control, double heightRatio, double widthRatio);

    TSettings* settings_ = nullptr;
    bool inactive_ = true;
};
