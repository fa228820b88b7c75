#pragma once

#include <QWidget>

/// The capture page. Stand-in with what the shell calls; the page comes with capture.
/// GUI thread only.
class ZRImportView : public QWidget {
    Q_OBJECT

public:
    explicit ZRImportView(QWidget* parent = nullptr, const char* name = nullptr,
                          Qt::WindowFlags flags = {});

    /// How often the split settings were applied again.
    int splitSettingsChanges() const { return m_splitSettingsChanges; }

public Q_SLOTS:
    /// Applies the split size and scene split of the state object again.
    virtual void slotSplitSettingsChange();

Q_SIGNALS:
    /// A capture ended in `file`.
    void capturedFile(const QString& file);

private:
    int m_splitSettingsChanges = 0;
};
