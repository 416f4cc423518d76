#pragma once

#include <QString>

// What a core operation reports back: success, or a message in Chinese that a
// window can show as it stands. Core code never shows UI itself.
struct Outcome final {
    bool ok = true;
    QString error;

    static Outcome success() { return {}; }
    static Outcome failure(const QString &message) { return {false, message}; }
    explicit operator bool() const { return ok; }
};
