// Where the automatic backups before a channel write go, and how one is kept: the window and the
// command line keep them in the same folder.
#pragma once

#include "image/radioimage.h"

#include <QString>

// The user's data folder for this program (under the application name, which the program sets
// before it asks), then "backups".
QString autoBackupFolder();
// Saves `image` into `folder` as auto-<time read, local>.rimg, making the folder first as a
// private one of the user's own; returns the file. Throws ERadioImageError (a folder that will
// not do, naming why) or what saveRadioImage throws.
QString saveAutoBackup(const RadioImage &image, const QString &folder);
