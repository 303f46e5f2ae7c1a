// The automatic backups' folder and file names.
#include "image/autobackup.h"

#include "rtl/filewriter.h"

#include <QDir>
#include <QStandardPaths>

QString autoBackupFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/backups");
}

QString saveAutoBackup(const RadioImage &image, const QString &folder)
{
    // Not through a link someone planted in the folder's place: the backup would land in theirs.
    QString why;
    if (!rtl::makePrivateFolder(folder, &why))
        throw ERadioImageError(QStringLiteral("无法建立自动备份文件夹 %1：%2").arg(folder, why));
    const QString file = QDir(folder).filePath(
        QStringLiteral("auto-%1.rimg").arg(image.readAt.toLocalTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"))));
    saveRadioImage(image, file);
    return file;
}
