// What the user is told about a backup, a restore, an automatic backup and a read-back check:
// the window and the command line say the same.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

namespace runtexts {

// The kinds of run with a message of their own when they end early.
enum class Run { Backup, AutoBackup, Restore, ReadBack };

// "正在写入 信道（2/3）…": step `step` (from 0) of `steps`, a group of blockGroups().
QString stepText(bool write, int group, int step, int steps);
// The first line of a run that did not complete.
QString runEnded(Run run);
// The blocks of `groups` missing from `frames` (by blockKey), "0/3，0/4"; empty when none is.
QString missingBlocks(const QMap<int, QByteArray> &frames, const QList<int> &groups);
QString missingBlocksText(const QString &missing);

QString backedUp(int blocks);                 // 已备份电台的 N 个数据块。
QString backedUpTo(const QString &file);      // 电台已备份到 FILE
QString autoBackupSaved(const QString &file); // 写频前的自动备份已保存到 FILE

inline const QString kWriteDone = QStringLiteral("写入成功");
inline const QString kWriteVerified = QStringLiteral("写入成功\n读回校验通过");
inline const QString kRestoreVerified = QStringLiteral("恢复完成，校验通过");
inline const QString kWriteDiffers = QStringLiteral("写入后读回校验发现电台中的数据与写入的不同：");
inline const QString kRestoreDiffers = QStringLiteral("恢复后读回的数据与镜像不同：");
inline const QString kPlanWarnings = QStringLiteral("写入前请检查以下可能的问题：");

} // namespace runtexts
