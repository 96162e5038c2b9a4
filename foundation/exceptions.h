#pragma once

#include <QString>

#include <stdexcept>

// The base of every exception the program raises; the message is kept as the user will read it.
class EKorvaneError : public std::runtime_error {
public:
    explicit EKorvaneError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message)
    {
    }
    const QString& Message() const { return message_; }

private:
    QString message_;
};
