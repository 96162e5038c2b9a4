#include "components/embedded_form_control.h"
#include "components/form_registry.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

std::unique_ptr<QWidget> makeForm(const QString& name)
{
    auto form = std::make_unique<QWidget>(nullptr, Qt::Tool);
    form->setObjectName(name);
    FormRegistry::Instance().Register(form.get());
    return form;
}

// A window that owns a host control, as the main window and the dialogs do.
struct HostWindow {
    std::unique_ptr<QWidget> Window;
    TEmbeddedFormControl* Host = nullptr;
    std::vector<bool> Changes;

    explicit HostWindow(const QString& name)
    {
        Window = std::make_unique<QWidget>();
        Window->setObjectName(name);
        FormRegistry::Instance().Register(Window.get());
        auto* panel = new QWidget(Window.get());
        Host = new TEmbeddedFormControl(panel);
        Host->resize(300, 200);
        Host->OnEmbeddedChange = [this](TEmbeddedFormControl*, bool embedded) {
            Changes.push_back(embedded);
        };
    }
};

bool isInside(const QWidget* form, const TEmbeddedFormControl* host)
{
    return form->parentWidget() == host && !form->isWindow() && !form->isHidden() &&
           host->EmbeddedForm() == form;
}

} // namespace

TEST(EmbeddedFormControl, NeverTakesInAFormThatHoldsItOrTheSameNameTwice)
{
    HostWindow window("DialogSettings");
    auto page = makeForm("PageSettingsGeneral");

    window.Host->SetEmbeddedFormName("DialogSettings");
    EXPECT_EQ(window.Host->EmbeddedFormName(), QString());
    EXPECT_TRUE(window.Changes.empty());
    EXPECT_EQ(window.Window->parentWidget(), nullptr);

    window.Host->SetEmbeddedFormName("PageSettingsGeneral");
    window.Host->SetEmbeddedFormName("PageSettingsGeneral");
    EXPECT_EQ(window.Changes, std::vector<bool>{true});
    EXPECT_TRUE(isInside(page.get(), window.Host));

    // Nor a form that holds the control.
    auto* holder = new QWidget(window.Window.get());
    holder->setObjectName("PageMpegAudio");
    FormRegistry::Instance().Register(holder);
    auto* inner = new TEmbeddedFormControl(holder);
    inner->SetEmbeddedFormName("PageMpegAudio");
    EXPECT_EQ(inner->EmbeddedForm(), nullptr);
    EXPECT_EQ(holder->parentWidget(), window.Window.get());
}

TEST(EmbeddedFormControl, AFloatingFormClosedByTheUserComesBack)
{
    HostWindow window("MainWindow");
    auto log = makeForm("PageLog");
    auto conversion = makeForm("PageMpegAudio");
    window.Host->SetEmbeddedFormName("PageLog");

    // Floating: the host lets the page go and the page shows itself as a tool window.
    window.Host->SetEmbeddedFormName(QString());
    log->setWindowFlags(Qt::Tool);
    log->show();
    EXPECT_TRUE(log->isWindow());
    window.Host->SetEmbeddedFormName("PageMpegAudio");

    EXPECT_FALSE(log->close());
    EXPECT_TRUE(isInside(log.get(), window.Host));
    EXPECT_EQ(window.Host->EmbeddedFormName(), "PageLog");
    EXPECT_EQ(conversion->parentWidget(), nullptr);

    // Taken back in, the page does not pop up as a window when it is let go later.
    window.Host->SetEmbeddedFormName("PageMpegAudio");
    EXPECT_TRUE(log->isHidden());
    EXPECT_TRUE(log->isWindow());
}

TEST(EmbeddedFormControl, AHostHandsItsFormBackBeforeItGoes)
{
    auto history = makeForm("PageHistory");
    auto credits = makeForm("PageCredits");
    {
        HostWindow window("FormHistory");
        window.Host->SetEmbeddedFormName("PageCredits");
        window.Host->SetEmbeddedFormName("PageHistory");
        EXPECT_TRUE(isInside(history.get(), window.Host));
    }
    // Had the page gone with the host's children, its owner here would free it twice.
    EXPECT_EQ(history->parentWidget(), nullptr);
    EXPECT_TRUE(history->isWindow());
    EXPECT_TRUE(history->isHidden());

    // With its host gone, a page it let go closes like any window.
    credits->show();
    EXPECT_TRUE(credits->close());
    EXPECT_TRUE(credits->isHidden());
}
