#pragma once

#include <QString>

/// Where the shell's error messages go: a message box over the main window unless another
/// notifier was installed (tests install one that records). GUI thread only.
class ZRNotifier {
public:
    virtual ~ZRNotifier() = default;

    /// An error with one OK button; `caption` and `text` are already translated.
    virtual void critical(const QString& caption, const QString& text) = 0;

    /// The notifier in use.
    static ZRNotifier& current();
    /// Installs `notifier` (not owned; null restores the message boxes) and returns the one
    /// installed before (null for the message boxes).
    static ZRNotifier* install(ZRNotifier* notifier);
};
