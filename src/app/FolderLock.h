#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace fnk::app {

// Keeps a second copy of the program off the data folder in use.  The copy
// whose data folder it is holds the lock file "fennick.lck" in that folder
// for as long as the folder is current.  A lock left behind by a copy that
// died (its process is gone) is taken over; a lock of a running copy is
// never taken, however old it is.
class FolderLock {
public:
    enum class Outcome {
        Held,         // this copy holds the folder now
        InUse,        // another running copy holds it; see holder()
        ReadOnly,     // the folder is there but cannot be written
        NotPossible,  // no lock file can be made there (a missing folder)
    };
    struct Holder {
        qint64 pid = 0;
        QString host;
        QString program;
    };

    FolderLock();
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Tries to lock `folder` (ending in "/").  When it is taken the folder
    // held before is let go; otherwise the lock held before stays as it is.
    Outcome take(const QString& folder);
    // Lets go of the folder held, if any.
    void release();

    // The folder held, empty when none.
    const QString& folder() const { return folder_; }
    // The copy that held the folder the last refused take() asked for.
    const Holder& holder() const { return holder_; }

    static QString lockPath(const QString& folder);
    // The question a second copy asks: open the folder read-only?  `noDoes`
    // says what No does (end the program, or keep the folder in use).
    static QString inUseText(const QString& folder, const Holder& holder, const QString& noDoes);

private:
    std::unique_ptr<QLockFile> lock_;
    QString folder_;
    Holder holder_;
};

}  // namespace fnk::app
