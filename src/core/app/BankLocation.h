#pragma once

#include <QString>

// Where the program's files are. A portable copy (the executable's folder holds a
// writable data/ZT468913.db) keeps everything in that folder. An installed copy reads
// its pictures, tunes and pages from the shared install folder, and the candidate's
// bank lives in their own data folder, copied from the pristine bank on first start.
namespace shell {

struct BankPlaces {
    QString exeDir;      // the executable's folder
    QString shareDir;    // the installed share folder (read-only resources, pristine bank)
    QString userDataDir; // the candidate's data folder
    QString bankOption;  // --bank FILE; empty when not given
};

struct BankLayout {
    QString resourceDir;  // pic/, sound/, htm/ live here; with a trailing "/"
                          // (the executable's folder when it has them, else the share folder)
    QString bankPath;     // the bank the program opens
    QString pristineBank; // the bank to copy from when bankPath does not exist yet; empty: none
    bool portable = false;
};

QString bankFileName(); // "ZT468913.db"

// The share folder of an installed executable: <prefix>/share/tesvora beside <prefix>/bin.
QString installedShareDir(const QString& exeDir);

// Decides the layout; touches nothing.
BankLayout locateBank(const BankPlaces& places);

// Makes sure layout.bankPath exists: when it is missing and there is a pristine bank,
// copies it under a temporary name, checks that the copy opens as a bank, and renames
// it into place, so an interrupted first start never leaves half a bank. False with
// `error` set when that fails; true when the bank already was there or now is.
bool ensureBank(const BankLayout& layout, QString* error = nullptr);

} // namespace shell
