#include "app/brindlow_form_tabbed.h"

#include "components/easysize.h"
#include "components/list_strings.h"
#include "components/t_saved_form_unit.h"
#include "foundation/language.h"

#include <QVariant>

#include <cmath>

TBrindlowTabbedForm::TBrindlowTabbedForm(QWidget* parent) : TFormToEmbed(parent)
{
    setObjectName(QStringLiteral("BrindlowTabbedForm"));
    setWindowTitle(QStringLiteral("BrindlowTabbedForm"));
    QFont tahoma = font();
    tahoma.setFamily(QStringLiteral("Tahoma"));
    setFont(tahoma);
    ListStringsToTranslate = NewListStringsToTranslate(this);
    FormResizer1 = NewFormResizer1(this);
    FormResizer1->OnPostResize = [this](QObject* sender, QWidget* control, double heightRatio,
                                        double widthRatio) {
        FormResizer1PostResize(sender, control, heightRatio, widthRatio);
    };
}

void TBrindlowTabbedForm::FormCreate()
{
    inactive_ = true;
    // The page's size constraints are cleared rather than scaled: its host decides its size.
    FormResizer1->AdaptToScreen(false);
}

void TBrindlowTabbedForm::Float()
{
    TFormToEmbed::Float();
    CentreOnScreen(this);
}

void TBrindlowTabbedForm::Translate()
{
    TranslateForm(this, ListStringsToTranslate->Properties());
}

void TBrindlowTabbedForm::SetActive(bool value)
{
    if (value != inactive_)
        return;
    if (value)
        PageShow();
    else
        PageHide();
    inactive_ = !value;
}

bool TBrindlowTabbedForm::IsInactiveEmbedded() const
{
    return inactive_ && HostControl();
}

void TBrindlowTabbedForm::FormResizer1PostResize(QObject*, QWidget* control, double heightRatio, double)
{
    ScaleFontsAndItemHeights(*FormResizer1, control, heightRatio);
}

void ScaleFontsAndItemHeights(TFormResizer& resizer, QWidget* control, double heightRatio)
{
    if (control->inherits("TURLLink")) {
        resizer.ResizeFontProp(control, "FocusFont", heightRatio);
    } else if (control->inherits("TScrollingCredits")) {
        resizer.ResizeFontProp(control, "CreditsFont", heightRatio);
        resizer.ResizeFontProp(control, "CreditsFontBold", heightRatio);
    } else if (control->inherits("TImgComboBox") || control->inherits("TEnhComboBox")) {
        const int itemHeight = control->property("ItemHeight").toInt();
        control->setProperty("ItemHeight", static_cast<int>(std::lrint(itemHeight * heightRatio)));
    }
}
