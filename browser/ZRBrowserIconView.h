#pragma once

#include <QString>
#include <QVector>
#include <QWidget>

/// The browser's clip folder view: the media files the user gathered. Stand-in holding the
/// file list and selection that the shell reads; the icon view itself comes with the browser.
/// GUI thread only.
class ZRBrowserIconView : public QWidget {
    Q_OBJECT

public:
    explicit ZRBrowserIconView(QWidget* parent = nullptr, const char* name = nullptr,
                               Qt::WindowFlags flags = {});

    /// Adds a file item unless an item with that path exists.
    void addFile(const QString& folder, const QString& path, int kind);
    /// The full path of the first selected item that is no folder; null when none.
    QString selectedFilePath() const;
    /// Selects or deselects the item of a path; false when there is none.
    bool setFileSelected(const QString& path, bool selected);
    int count() const { return int(m_items.size()); }

    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    /// Asks the main window to switch to the capture, edit or produce mode.
    void setVeskMode(int mode);

private:
    struct Item {
        QString folder;
        QString path;
        int kind = 0;
        bool isFolder = false;
        bool selected = false;
    };
    QVector<Item> m_items;
};
