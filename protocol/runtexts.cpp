// The messages of backup, restore and read-back runs.
#include "protocol/runtexts.h"

#include "image/radioimage.h"

#include <QStringList>

namespace runtexts {

QString stepText(bool write, int group, int step, int steps)
{
    return QStringLiteral("%1 %2（%3/%4）…")
        .arg(write ? QStringLiteral("正在写入") : QStringLiteral("正在读取"), blockGroups().at(group).name)
        .arg(step + 1)
        .arg(steps);
}

QString runEnded(Run run)
{
    switch (run) {
    case Run::Backup:
        return QStringLiteral("备份未完成，没有保存镜像文件。");
    case Run::AutoBackup:
        return QStringLiteral("自动备份未完成，没有写入电台。");
    case Run::Restore:
        return QStringLiteral("恢复未完成：电台中的数据可能只写入了一部分，请重新恢复。");
    case Run::ReadBack:
        return QStringLiteral("电台已确认收到写入的全部数据块，但读回校验没有完成。");
    }
    return {};
}

QString missingBlocks(const QMap<int, QByteArray> &frames, const QList<int> &groups)
{
    QStringList missing;
    for (int g : groups)
        for (int key : blockGroups().at(g).keys)
            if (!frames.contains(key))
                missing << QStringLiteral("%1/%2").arg(keyType(key)).arg(keyNumber(key));
    return missing.join(QStringLiteral("，"));
}

QString missingBlocksText(const QString &missing)
{
    return QStringLiteral("电台没有送回这些数据块：%1。").arg(missing);
}

QString backedUp(int blocks)
{
    return QStringLiteral("已备份电台的 %1 个数据块。").arg(blocks);
}

QString backedUpTo(const QString &file)
{
    return QStringLiteral("电台已备份到 %1").arg(file);
}

QString autoBackupSaved(const QString &file)
{
    return QStringLiteral("写频前的自动备份已保存到 %1").arg(file);
}

} // namespace runtexts
