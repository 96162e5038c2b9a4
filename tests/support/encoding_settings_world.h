#pragma once

#include "app/encoding_settings_dialog.h"
#include "foundation/settings.h"
#include "tests/support/temp_world.h"

#include <QComboBox>
#include <QWidget>

#include <memory>
#include <utility>
#include <vector>

// A world for the encoding settings dialogs: settings in korvane.ini, the hub's encoding-changed
// notifications recorded, and the program in English again at the end.
class EncodingSettingsWorld : public TempWorld {
protected:
    void SetUp() override;
    void TearDown() override;

    // A store laid out as the main window's, with these items in the settings file, attached to the
    // dialog, which registers its defaults and loads.
    std::unique_ptr<TSettings> FreshStore(TEncodingSettingsDialog& dialog,
                                          const std::vector<std::pair<QString, TSettingType>>& items) const;
    QString StoredText(TSettings& store, const QString& key) const;
    void UseFrench() const;

    template <typename Control> Control* Find(const QWidget& dialog, const char* name) const
    {
        auto* control = dialog.findChild<Control*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QComboBox* Box(const QWidget& dialog, const char* name) const { return Find<QComboBox>(dialog, name); }

    std::vector<QObject*> Senders;
};
