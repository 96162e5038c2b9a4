#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QWidget;
class TFormResizer;
class TURLLink;

// A small modal window with a message, up to four links and the information lines of the version
// document. Every text is shown as plain text: it comes from a remote server.
class TInfoDlg : public QDialog {
    Q_OBJECT

public:
    explicit TInfoDlg(QWidget* parent = nullptr);

    QWidget* PanelTopInfo;
    QLabel* LabelNewVersion;
    QWidget* InfoDialogPanel;
    QWidget* PanelHomePage;
    QLabel* LabelHomePage;
    TURLLink* UrlHomePage;
    QWidget* PanelDownloadPage;
    QLabel* LabelDownloadPage;
    TURLLink* UrlDownloadPage;
    QWidget* PanelDistribution;
    QLabel* LabelDistribution;
    TURLLink* UrlDistribution;
    QWidget* PanelGuide;
    QLabel* LabelGuide;
    TURLLink* UrlGuide;
    QWidget* PanelInfoMessage;
    QPlainTextEdit* MemoInfoMessage;
    QFrame* BevelInfo;
    QWidget* PanelBottom;
    QPushButton* InfoDialogTitleButtonOk;
    TFormResizer* FormResizer1;

    // Fills the window, sizes it to its content (at least 300 wide), centres it on the screen and shows
    // it modally without waiting: finished() tells when the user closed it.
    void ShowInfo(const QString& Message, const QString& HomePage, const QString& DownloadPage,
                  const QString& Distribution, const QString& Guide, const QString& InfoMessage);

private:
    struct LinkRow {
        QWidget* Panel;
        QLabel* Caption;
        TURLLink* Link;
        QString CaptionText;
        QString Value;
    };
    void addLinkRow(const QString& name, QWidget*& panel, QLabel*& caption, TURLLink*& link);
    // The right edge of the row's link, or 0 when the row stays hidden.
    int showLink(const LinkRow& row);
};
