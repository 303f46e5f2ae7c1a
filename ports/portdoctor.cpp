// Port doctor checks: each reads files under the environment's root and says what to do.
#include "ports/portdoctor.h"

#include "ports/linecheck.h"
#include "ports/portaccess.h"
#include "serial/portholders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <cerrno>

namespace {

using UsbId = QPair<quint16, quint16>;

const QString kCableTitle = QStringLiteral("找到写频线");
const QString kDeviceTitle = QStringLiteral("设备存在");
const QString kAccessTitle = QStringLiteral("有权限读写");
const QString kHoldersTitle = QStringLiteral("没有其他程序占用");
const QString kBrlttyTitle = QStringLiteral("brltty 不会接管写频线");
const QString kModemManagerTitle = QStringLiteral("ModemManager 不会探测串口");

QString readSmallFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.read(4096)).trimmed() : QString();
}

// "/dev/ttyUSB0 (USB Serial, 1a86:7523)" for each device that has a USB id.
QStringList usbSerialDevices(const PortEnvironment &env)
{
    QStringList out;
    for (const SerialDevice &d : env.devices()) {
        if (d.vendorId && d.productId)
            out << QStringLiteral("%1 (%2%3)")
                       .arg(d.systemLocation, d.description.isEmpty() ? QString() : d.description + QStringLiteral(", "),
                            usbIdText(*d.vendorId, *d.productId));
    }
    return out;
}

// The device a path ends at, as the machine names it: "/dev/ttyUSB0" for a by-id link.
QString realDevice(const PortEnvironment &env, const QString &device)
{
    const QString real = QFileInfo(env.path(device)).canonicalFilePath();
    return real.isEmpty() ? device : env.unrooted(real);
}

// USB ids of every device plugged in, from sysfs.
QList<UsbId> pluggedUsbIds(const PortEnvironment &env)
{
    QList<UsbId> out;
    const QDir usb(env.path(QStringLiteral("/sys/bus/usb/devices")));
    for (const QString &entry : usb.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
        bool okVendor = false, okProduct = false;
        const uint vendor = readSmallFile(usb.filePath(entry + QStringLiteral("/idVendor"))).toUInt(&okVendor, 16);
        const uint product = readSmallFile(usb.filePath(entry + QStringLiteral("/idProduct"))).toUInt(&okProduct, 16);
        if (okVendor && okProduct && !out.contains(UsbId(vendor, product)))
            out << UsbId(quint16(vendor), quint16(product));
    }
    return out;
}

// The USB ids a rules file matches: ENV{PRODUCT}=="1a86/7523/*" or ATTRS{idVendor} with ATTRS{idProduct}.
QSet<UsbId> claimedIds(const QString &rulesFile)
{
    static const QRegularExpression product(QStringLiteral(R"re(ENV\{PRODUCT\}=="([0-9a-fA-F]{1,4})/([0-9a-fA-F]{1,4})/)re"));
    static const QRegularExpression vendorAttr(QStringLiteral(R"re(ATTRS?\{idVendor\}=="([0-9a-fA-F]{1,4})")re"));
    static const QRegularExpression productAttr(QStringLiteral(R"re(ATTRS?\{idProduct\}=="([0-9a-fA-F]{1,4})")re"));
    QSet<UsbId> out;
    QFile file(rulesFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return out;
    while (!file.atEnd()) {
        const QString line = QString::fromLocal8Bit(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('#')))
            continue;
        QRegularExpressionMatch v, p;
        if ((v = product.match(line)).hasMatch()) {
            out.insert(UsbId(quint16(v.captured(1).toUInt(nullptr, 16)), quint16(v.captured(2).toUInt(nullptr, 16))));
        } else if ((v = vendorAttr.match(line)).hasMatch() && (p = productAttr.match(line)).hasMatch()) {
            out.insert(UsbId(quint16(v.captured(1).toUInt(nullptr, 16)), quint16(p.captured(1).toUInt(nullptr, 16))));
        }
    }
    return out;
}

// udev's rules by file name: one in /etc overrides one of the same name in /run or the package's.
QMap<QString, QString> udevRules(const PortEnvironment &env)
{
    QMap<QString, QString> rules;
    for (const char *dir : {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/lib/udev/rules.d", "/lib/udev/rules.d"}) {
        const QDir d(env.path(QString::fromLatin1(dir)));
        for (const QString &name : d.entryList({QStringLiteral("*.rules")}, QDir::Files | QDir::System))
            if (!rules.contains(name))
                rules.insert(name, d.filePath(name));
    }
    return rules;
}

// A link to /dev/null or an empty file: udev's way to switch a packaged rules file off.
bool isMasked(const QString &rulesFile)
{
    const QFileInfo info(rulesFile);
    return info.exists() && info.size() == 0;
}

bool processRunning(const PortEnvironment &env, const QString &name)
{
    const QDir proc(env.path(QStringLiteral("/proc")));
    for (const QString &entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        entry.toLongLong(&numeric);
        if (numeric && readSmallFile(proc.filePath(entry + QStringLiteral("/comm"))) == name)
            return true;
    }
    return false;
}

// Whether udev has marked the tty for ModemManager to leave alone.
bool ignoredByModemManager(const PortEnvironment &env, const QString &kernelName)
{
    const QString number = readSmallFile(env.path(QStringLiteral("/sys/class/tty/%1/dev").arg(kernelName)));
    if (number.isEmpty())
        return false;
    const QString data = readSmallFile(env.path(QStringLiteral("/run/udev/data/c") + number));
    return data.split(QLatin1Char('\n')).contains(QStringLiteral("E:ID_MM_DEVICE_IGNORE=1"));
}

bool heldByUs(const PortEnvironment &env, const QString &device)
{
    const QList<PortHolder> holders = findPortHolders(realDevice(env, device), env.root);
    return std::any_of(holders.begin(), holders.end(), [&](const PortHolder &h) { return h.pid == env.ownPid; });
}

CheckResult skipped(const QString &id, const QString &title, const QString &why)
{
    return {id, CheckStatus::Skipped, title, why, {}};
}

// Busy on opening, though no holder shows in /proc: it belongs to another user or a service.
CheckResult heldUnseen(const QString &device)
{
    return {QStringLiteral("holders"), CheckStatus::Fail, kHoldersTitle,
            QStringLiteral("%1 正被其他程序独占，看不出是哪一个 (可能属于其他用户或系统服务)").arg(device),
            QStringLiteral("查出占用它的程序，退出它或结束它:\nsudo fuser -v %1\nsudo kill <PID>").arg(device)};
}

CheckResult &resultOf(QList<CheckResult> &results, const QString &id)
{
    return *std::find_if(results.begin(), results.end(), [&](const CheckResult &r) { return r.id == id; });
}

const QString kFixFirst = QStringLiteral("先解决上面的问题");

// A port busy on opening: the holders as /proc shows them, or, when it shows none, a holder
// unseen. Looked at afresh, as the open came after the first look.
CheckResult busyFinding(const PortEnvironment &env, const QString &device)
{
    const CheckResult seen = checkHolders(env, device);
    return seen.status == CheckStatus::Fail ? seen : heldUnseen(device);
}

} // namespace

CheckResult checkCable(const PortEnvironment &env, const QString &device)
{
    const QStringList usb = usbSerialDevices(env);
    if (!usb.isEmpty())
        return {QStringLiteral("cable"), CheckStatus::Pass, kCableTitle,
                QStringLiteral("USB 串口设备: ") + usb.join(QStringLiteral("、")), {}};
    // A port that is there may be a built-in RS-232 port with a cable of the old kind.
    const bool portThere = !device.isEmpty() && QFileInfo::exists(env.path(device));
    return {QStringLiteral("cable"), portThere ? CheckStatus::Warn : CheckStatus::Fail, kCableTitle,
            QStringLiteral("没有找到写频线: 这台电脑上没有任何 USB 串口设备"),
            QStringLiteral("检查写频线两头是否插牢，电台一端要插到底；\n"
                           "换一个 USB 口，不要经过 USB 集线器；\n"
                           "插线后用 sudo dmesg | tail 看内核是否认出了它 (ch341、cp210x、pl2303、ftdi_sio)。\n"
                           "插上写频线后这里会自动重新检查，端口框的列表每次打开时也会重新列出串口。")};
}

CheckResult checkDeviceExists(const PortEnvironment &env, const QString &portName, const QString &device)
{
    if (device.isEmpty())
        return {QStringLiteral("device"), CheckStatus::Fail, kDeviceTitle, QStringLiteral("端口框是空的"),
                QStringLiteral("在端口框中选择或填写写频线所在的串口")};
    const QString named = portName.trimmed() == device ? device : QStringLiteral("%1 即 %2").arg(portName.trimmed(), device);
    const QStringList usb = usbSerialDevices(env);
    if (!QFileInfo::exists(env.path(device))) {
        // Without any cable the finding above says what to do.
        const QString fix = usb.isEmpty() ? QStringLiteral("先接好写频线 (见上一条)")
                                          : QStringLiteral("在端口框中改选已连接的串口: ") + usb.join(QStringLiteral("、"));
        return {QStringLiteral("device"), CheckStatus::Fail, kDeviceTitle, named + QStringLiteral(" 不存在"), fix};
    }
    const QString real = realDevice(env, device);
    const QString detail = real == device ? named : QStringLiteral("%1 → %2").arg(named, real);
    const std::optional<SerialDevice> info = env.deviceInfo(device);
    // Another cable plugged in while this name points elsewhere: the wrong ttyUSB is a common slip.
    if (!usb.isEmpty() && !(info && info->vendorId))
        return {QStringLiteral("device"), CheckStatus::Warn, kDeviceTitle,
                detail + QStringLiteral(" 存在，但它不是 USB 写频线"),
                QStringLiteral("写频线多半是: ") + usb.join(QStringLiteral("、"))};
    return {QStringLiteral("device"), CheckStatus::Pass, kDeviceTitle, detail + QStringLiteral(" 存在"), {}};
}

CheckResult checkUserAccess(const PortEnvironment &env, const QString &device)
{
    const AccessVerdict verdict = checkAccess(env, device);
    // Permission only: whether another program holds the port is the next finding's.
    if (verdict.granted)
        return {QStringLiteral("access"), CheckStatus::Pass, kAccessTitle, QStringLiteral("权限允许读写 %1").arg(device), {}};
    return {QStringLiteral("access"), CheckStatus::Fail, kAccessTitle, verdict.reason, verdict.fix};
}

CheckResult checkHolders(const PortEnvironment &env, const QString &device)
{
    QList<PortHolder> holders = findPortHolders(realDevice(env, device), env.root);
    const bool ours = holders.removeIf([&](const PortHolder &h) { return h.pid == env.ownPid; }) > 0;
    if (holders.isEmpty())
        return {QStringLiteral("holders"), CheckStatus::Pass, kHoldersTitle,
                ours ? QStringLiteral("本程序正在使用 %1").arg(device) : QStringLiteral("没有其他程序打开 %1").arg(device), {}};
    QStringList kills;
    for (const PortHolder &h : holders)
        kills << QStringLiteral("kill %1").arg(h.pid);
    return {QStringLiteral("holders"), CheckStatus::Fail, kHoldersTitle,
            QStringLiteral("%1 正被 %2 占用").arg(device, describeHolders(holders)),
            QStringLiteral("退出占用它的程序，或在终端结束它 (属于其他用户时在前面加 sudo):\n") + kills.join(QLatin1Char('\n'))};
}

CheckResult checkBrltty(const PortEnvironment &env, const QString &device)
{
    const QMap<QString, QString> rules = udevRules(env);
    QStringList files, active;
    for (auto it = rules.begin(); it != rules.end(); ++it) {
        if (!it.key().contains(QStringLiteral("brltty")))
            continue;
        files << it.key();
        if (!isMasked(it.value()))
            active << it.key();
    }
    if (files.isEmpty() && !QFileInfo::exists(env.path(QStringLiteral("/usr/bin/brltty"))))
        return {QStringLiteral("brltty"), CheckStatus::Pass, kBrlttyTitle, QStringLiteral("没有安装 brltty"), {}};
    if (active.isEmpty())
        return {QStringLiteral("brltty"), CheckStatus::Pass, kBrlttyTitle,
                QStringLiteral("已安装 brltty，但它的 udev 规则已被屏蔽"), {}};

    QList<UsbId> ids = pluggedUsbIds(env);
    if (const std::optional<SerialDevice> info = env.deviceInfo(device); info && info->vendorId && info->productId)
        ids.prepend(UsbId(*info->vendorId, *info->productId));
    QSet<UsbId> claims;
    for (const QString &name : std::as_const(active))
        claims.unite(claimedIds(rules.value(name)));
    QStringList claimed;
    for (const UsbId &id : std::as_const(ids))
        if (claims.contains(id) && !claimed.contains(usbIdText(id.first, id.second)))
            claimed << usbIdText(id.first, id.second);
    if (claimed.isEmpty())
        return {QStringLiteral("brltty"), CheckStatus::Pass, kBrlttyTitle,
                QStringLiteral("已安装 brltty，但它的规则不涉及已连接的设备"), {}};

    QStringList fix{QStringLiteral("不用盲文点显器时卸载它:"), QStringLiteral("sudo apt-get remove brltty"),
                    QStringLiteral("要保留 brltty 时屏蔽它的规则:")};
    for (const QString &name : std::as_const(active))
        fix << QStringLiteral("sudo ln -s /dev/null /etc/udev/rules.d/") + name;
    fix << QStringLiteral("sudo udevadm control --reload") << QStringLiteral("然后重新插拔写频线");
    return {QStringLiteral("brltty"), CheckStatus::Fail, kBrlttyTitle,
            QStringLiteral("brltty 的 udev 规则 (%1) 会接管 USB 设备 %2，写频线的串口随即消失")
                .arg(active.join(QStringLiteral("、")), claimed.join(QStringLiteral("、"))),
            fix.join(QLatin1Char('\n'))};
}

CheckResult checkModemManager(const PortEnvironment &env, const QString &device)
{
    if (!processRunning(env, QStringLiteral("ModemManager")))
        return {QStringLiteral("modemmanager"), CheckStatus::Pass, kModemManagerTitle, QStringLiteral("ModemManager 没有运行"), {}};
    const QString kernelName = QFileInfo(realDevice(env, device)).fileName();
    if (ignoredByModemManager(env, kernelName))
        return {QStringLiteral("modemmanager"), CheckStatus::Pass, kModemManagerTitle,
                QStringLiteral("ModemManager 在运行，但已设为不碰 %1").arg(kernelName), {}};

    const std::optional<SerialDevice> info = env.deviceInfo(device);
    const QString match = info && info->vendorId && info->productId
        ? QStringLiteral("ATTRS{idVendor}==\"%1\", ATTRS{idProduct}==\"%2\"")
              .arg(*info->vendorId, 4, 16, QLatin1Char('0')).arg(*info->productId, 4, 16, QLatin1Char('0'))
        : QStringLiteral("KERNEL==\"%1\"").arg(kernelName);
    const QString rule = match + QStringLiteral(", ENV{ID_MM_DEVICE_IGNORE}=\"1\"");
    return {QStringLiteral("modemmanager"), CheckStatus::Warn, kModemManagerTitle,
            QStringLiteral("ModemManager 在运行，会向新插入的串口发送 AT 命令探测，打乱与电台的通信"),
            QStringLiteral("用这条 udev 规则让它不碰写频线:\n%1\n写入规则并重新加载:\n"
                           "echo '%1' | sudo tee /etc/udev/rules.d/99-radio-cable.rules\n"
                           "sudo udevadm control --reload\nsudo udevadm trigger")
                .arg(rule)};
}

QList<CheckResult> diagnosePort(const PortEnvironment &env, const QString &portName)
{
    const QString device = env.deviceFor(portName);
    QList<CheckResult> results{checkCable(env, device), checkDeviceExists(env, portName, device)};
    const bool exists = results.last().status != CheckStatus::Fail;
    results << (exists ? checkUserAccess(env, device) : skipped(QStringLiteral("access"), kAccessTitle, kFixFirst));
    const bool mayOpen = exists && results.last().status == CheckStatus::Pass;
    results << (exists ? checkHolders(env, device) : skipped(QStringLiteral("holders"), kHoldersTitle, kFixFirst));
    const bool free = exists && results.last().status == CheckStatus::Pass;
    const bool ours = exists && heldByUs(env, device);
    results << checkBrltty(env, device) << checkModemManager(env, device);
    if (!(mayOpen && free && !ours)) {
        results << skipped(QStringLiteral("line"), lineCheckTitle(),
                           ours ? QStringLiteral("本程序正在使用这个端口；关闭传输后再检查") : kFixFirst);
        return results;
    }
    // The open is what counts: a holder of another user or a service does not show in /proc, and
    // then the port is busy on opening. That is the holders' finding, not a second one.
    int openError = 0;
    results << checkLineSettings(env.path(device), &openError);
    if (openError == EBUSY) {
        resultOf(results, QStringLiteral("holders")) = busyFinding(env, device);
        results.last() = skipped(QStringLiteral("line"), lineCheckTitle(), kFixFirst);
    }
    return results;
}

QList<CheckResult> diagnoseWithEcho(const PortEnvironment &env, const QString &portName, int timeoutMs)
{
    QList<CheckResult> results = diagnosePort(env, portName);
    // A port that did not open for the line check, or is another's, would fail the loopback for
    // the same reason, or lose the echo to the other program.
    const CheckResult &line = resultOf(results, QStringLiteral("line"));
    if (line.status == CheckStatus::Skipped || line.status == CheckStatus::Fail) {
        results << skipped(QStringLiteral("echo"), echoCheckTitle(),
                           line.status == CheckStatus::Skipped ? line.detail : kFixFirst);
        return results;
    }
    const QString device = env.deviceFor(portName);
    int openError = 0;
    results << runEchoTest(env.path(device), timeoutMs, &openError);
    if (openError == EBUSY) { // taken between the two opens
        resultOf(results, QStringLiteral("holders")) = busyFinding(env, device);
        resultOf(results, QStringLiteral("line")) = skipped(QStringLiteral("line"), lineCheckTitle(), kFixFirst);
        results.last() = skipped(QStringLiteral("echo"), echoCheckTitle(), kFixFirst);
    }
    return results;
}
