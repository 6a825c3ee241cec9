#pragma once

#include "store/status.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <array>

namespace tolvane {

class DashboardDirectory;
class DashboardDocument;

/// Watches the open dashboard's files on disk: SHPI.DAT, "0000.bmp", and the
/// artwork and mask of the document's selected object. A change is taken once the files have
/// rested for SettleMs, so that a bitmap editor's write, or its new file
/// renamed over the old, is read once and whole. A file that cannot be read
/// yet (the checked reader refuses one cut short) is tried again; one that
/// still cannot be read is reported once, until it changes again.
///
/// A changed background goes into the document; changes of SHPI.DAT and of
/// the object's bitmaps are announced for the editor to act on. SHPI.DAT is
/// announced only when it is no longer the file the document's tables come
/// from, so the document's own writes pass unannounced.
class DashboardWatcher : public QObject
{
    Q_OBJECT

public:
    explicit DashboardWatcher(DashboardDocument &document, QObject *parent = nullptr);

    /// How long the files must rest after a change before they are read.
    static constexpr int SettleMs = 200;
    /// How many times, SettleMs apart, a changed file is read before it is
    /// reported as unreadable.
    static constexpr int ReadAttempts = 10;

Q_SIGNALS:
    /// SHPI.DAT is no longer the file the document's tables come from.
    void containerChanged();
    /// The artwork or the mask of the selected object changed, and both can be read.
    void selectedObjectFilesChanged();
    /// A changed file still cannot be read; @p message names it and says why.
    void unreadable(const QString &message);

private:
    enum Part { Container, Background, ObjectBitmaps };
    static constexpr Part Parts[] = {Container, Background, ObjectBitmaps};

    /// Starts over on the directory the document has just read.
    void watchDocument();
    /// Watches the bitmaps of the object just selected instead of the last
    /// one's; none for the first entry, which is the background itself.
    void watchSelection();
    /// The selected object whose bitmaps are watched; -1 for none.
    int watchedObject() const;
    void settle();
    /// Reads a changed part and passes it on; a failure when it cannot be read.
    Status take(Part part);
    QStringList fileNames(Part part) const;
    /// What identifies the part's files as they are now.
    QByteArray stamp(Part part, const DashboardDirectory &directory) const;
    void watchExistingFiles(const DashboardDirectory &directory);

    DashboardDocument &m_document;
    QString m_directory;
    QFileSystemWatcher m_files;
    QTimer m_settleTimer;
    std::array<QByteArray, std::size(Parts)> m_stamps;
    /// Of a changed part not yet read, the attempts made; NotPending else.
    static constexpr int NotPending = -1;
    std::array<int, std::size(Parts)> m_attempts;
};

} // namespace tolvane
