#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

// Stands in for the desktop: remembers every URL it is asked to open.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    UrlRecorder();
    ~UrlRecorder() override;

    QList<QUrl> Opened;

public Q_SLOTS:
    void open(const QUrl& url) { Opened << url; }
};
