// The commands: each checks what it is given before the radio hears anything, runs the session,
// and ends with one result, as text or as one JSON object.
#include "cli/commands.h"

#include "channels/channelcodec.h"
#include "compare/comparesides.h"
#include "compare/sideloader.h"
#include "fleet/fleetcommand.h"
#include "channels/channellint.h"
#include "channels/channelplan.h"
#include "channels/memorychanneltexts.h"
#include "cli/exitcodes.h"
#include "cli/radiorun.h"
#include "frames/frame.h"
#include "image/autobackup.h"
#include "image/radioimage.h"
#include "layouts/readbackcheck.h"
#include "ports/portdoctor.h"
#include "ports/portlisting.h"
#include "protocol/blockgroups.h"
#include "protocol/channeltransfer.h"
#include "protocol/radiosession.h"
#include "protocol/runtexts.h"
#include "protocol/transferreport.h"
#include "rtl/exception.h"

#include <QCommandLineParser>
#include <QCryptographicHash>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>
#include <QJsonObject>

#include <functional>

namespace cli {

namespace {

const QString kNoPort = QStringLiteral("缺少 --port：请指明电台所在的串口（例如 /dev/ttyUSB0 或 COM1）。");
const QString kNoOutput = QStringLiteral("缺少 -o：请指明要保存的文件。");
const QString kWantsFile = QStringLiteral("请指明一个文件。");
const QString kWarningsStop = QStringLiteral("没有写入电台。确认无误后加 --yes 再写入。");
const QString kRestoreHint = QStringLiteral("要恢复写频前的备份：radioprog restore %1 --port %2");
const QString kReadSaved = QStringLiteral("已读取电台的信道和通用设置，保存到 %1");
const QString kVerifyMatches = QStringLiteral("电台中的信道和通用设置与写频文件一致。");
const QString kVerifyDiffers = QStringLiteral("电台中的信道和通用设置与写频文件不同：");
const QString kNoPorts = QStringLiteral("没有找到串口设备。");

QString resultName(int exit)
{
    switch (exit) {
    case kDone: return QStringLiteral("done");
    case kUsage: return QStringLiteral("usage");
    case kRefused: return QStringLiteral("refused");
    case kPortError: return QStringLiteral("port-error");
    case kInterrupted: return QStringLiteral("interrupted");
    case kDifferences: return QStringLiteral("differences");
    }
    return QStringLiteral("failed");
}

QString utcText(const QDateTime &t)
{
    return t.isValid() ? t.toUTC().toString(Qt::ISODateWithMs) : QString();
}

QString sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// What a command has to say: messages as it goes, then one result.
class Report {
public:
    Report(const QString &command, const Console &console, bool json)
        : m_command(command), m_console(console), m_json(json)
    {
        m_clock.start();
    }

    QJsonObject fields;

    // A line worth telling as the command goes (an automatic backup kept, warnings let through).
    void note(const QString &text)
    {
        m_notes << text;
        if (!m_json)
            m_console.print(text);
    }
    // The end: the exit status, its message and the lines after it (differences, warnings).
    int finish(int exit, const QString &message, const QStringList &details = {})
    {
        if (m_json) {
            QJsonObject object = fields;
            object.insert(QStringLiteral("command"), m_command);
            object.insert(QStringLiteral("result"), resultName(exit));
            object.insert(QStringLiteral("exitCode"), exit);
            object.insert(QStringLiteral("message"), message);
            if (!m_notes.isEmpty())
                object.insert(QStringLiteral("notes"), QJsonArray::fromStringList(m_notes));
            object.insert(QStringLiteral("elapsedMs"), m_clock.elapsed());
            m_console.out->write(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
            return exit;
        }
        const bool result = exit == kDone || exit == kDifferences;
        QStringList lines{message};
        lines << details;
        (result ? m_console.out : m_console.err)->write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        return exit;
    }

private:
    QString m_command;
    const Console &m_console;
    bool m_json;
    QStringList m_notes;
    QElapsedTimer m_clock;
};

QString differenceLine(const ReadBackDifference &d)
{
    return QStringLiteral("%1 %2: %3 → %4").arg(d.where, d.field, d.sent, d.readBack);
}

QJsonArray differencesJson(const QList<ReadBackDifference> &differences)
{
    QJsonArray out;
    for (const ReadBackDifference &d : differences)
        out << QJsonObject{{QStringLiteral("where"), d.where},
                           {QStringLiteral("field"), d.field},
                           {QStringLiteral("before"), d.sent},
                           {QStringLiteral("after"), d.readBack},
                           {QStringLiteral("line"), differenceLine(d)}};
    return out;
}

QStringList differenceLines(const QList<ReadBackDifference> &differences)
{
    QStringList lines;
    for (const ReadBackDifference &d : differences)
        lines << differenceLine(d);
    return lines;
}

QString warningLine(const PlanWarning &w)
{
    return QStringList{w.channel > 0 ? QString::number(w.channel) : QStringLiteral("通用设置"), w.column, w.value,
                       w.message}
        .join(QStringLiteral(" | "));
}

QJsonArray warningsJson(const QList<PlanWarning> &warnings)
{
    QJsonArray out;
    for (const PlanWarning &w : warnings)
        out << QJsonObject{{QStringLiteral("channel"), w.channel},
                           {QStringLiteral("column"), w.column},
                           {QStringLiteral("value"), w.value},
                           {QStringLiteral("message"), w.message},
                           {QStringLiteral("line"), warningLine(w)}};
    return out;
}

// The 28 payload bytes of each frame read, by blockKey.
QMap<int, QByteArray> payloadsOf(const QMap<int, QByteArray> &frames)
{
    QMap<int, QByteArray> out;
    for (auto it = frames.cbegin(); it != frames.cend(); ++it)
        out.insert(it.key(), it.value().mid(frame::kHeaderLength, frame::kPayloadLength));
    return out;
}

// The frames of a group's read in the order of the group, for decoding and for an image.
QList<QByteArray> framesOf(const RadioSession::RunResult &result, const QList<int> &groups)
{
    QList<QByteArray> frames;
    for (int g : groups)
        for (int key : blockGroups().at(g).keys)
            frames << result.frames.value(key);
    return frames;
}

// The payloads written, in the order sent, as one run of bytes for the SHA-256.
QByteArray writtenBytes(const QMap<int, QByteArray> &written, const QList<int> &groups)
{
    QByteArray bytes;
    for (int g : groups)
        for (int key : blockGroups().at(g).keys)
            bytes += written.value(key);
    return bytes;
}

// Everything a command is given, after the parser.
struct Args {
    QCommandLineParser parser;
    QCommandLineOption port{{QStringLiteral("p"), QStringLiteral("port")},
                            QStringLiteral("电台所在的串口：设备路径（/dev/ttyUSB0）或 COM1…COM9。"),
                            QStringLiteral("PORT")};
    QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("保存到 FILE。"),
                              QStringLiteral("FILE")};
    QCommandLineOption json{QStringLiteral("json"), QStringLiteral("在标准输出上给出一个 JSON 对象。")};
    QCommandLineOption yes{{QStringLiteral("y"), QStringLiteral("yes")},
                           QStringLiteral("写频文件有警告时仍然写入。")};
    QCommandLineOption noBackup{QStringLiteral("no-backup"), QStringLiteral("写入前不自动备份电台。")};
    QCommandLineOption noVerify{QStringLiteral("no-verify"), QStringLiteral("写入后不读回校验。")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("显示本命令的帮助。")};
    QCommandLineOption radios{QStringLiteral("radios"), QStringLiteral("电台表（CSV）：每台电台一行，标签、端口和身份码。"),
                              QStringLiteral("RADIOS.csv")};
    QCommandLineOption ports{QStringLiteral("ports"), QStringLiteral("标为“下一台”的行轮流使用的写频线，用逗号分开。"),
                             QStringLiteral("P1,P2,…")};
    QCommandLineOption report{QStringLiteral("report"), QStringLiteral("批量写频报告（CSV）保存到 FILE。"),
                              QStringLiteral("FILE")};
};

struct CommandInfo {
    QString name;
    QString synopsis;
    QString summary;
    int files = 0; // positional arguments wanted
    bool port = true;
    bool output = false;
    bool writeOptions = false;
};

const QList<CommandInfo> &commands()
{
    static const QList<CommandInfo> list{
        {QStringLiteral("read"), QStringLiteral("read --port PORT -o PLAN.zq"),
         QStringLiteral("读频：把电台的信道和通用设置读到写频文件。"), 0, true, true, false},
        {QStringLiteral("write"), QStringLiteral("write PLAN.zq --port PORT [--yes] [--no-backup] [--no-verify]"),
         QStringLiteral("写频：与窗口相同的写前检查，先自动备份，写入后读回校验。"), 1, true, false, true},
        {QStringLiteral("backup"), QStringLiteral("backup --port PORT -o RADIO.rimg"),
         QStringLiteral("备份电台：全部 52 个数据块存为电台镜像。"), 0, true, true, false},
        {QStringLiteral("restore"), QStringLiteral("restore RADIO.rimg --port PORT"),
         QStringLiteral("恢复电台：写入镜像中的全部数据块，然后读回校验。"), 1, true, false, false},
        {QStringLiteral("verify"), QStringLiteral("verify PLAN.zq --port PORT"),
         QStringLiteral("校验：读取电台（不写入），与写频文件逐项比较。"), 1, true, false, false},
        {QStringLiteral("diff"), QStringLiteral("diff A B"),
         QStringLiteral("逐项比较两份数据：A、B 各为 .zq、.rimg 或 radio:PORT。"), 2, false, false, false},
        {QStringLiteral("fleet"),
         QStringLiteral("fleet TEMPLATE.rimg --radios RADIOS.csv [--ports P1,P2,…] [--report REPORT.csv]"),
         QStringLiteral("批量写频：同一模板写入多台电台，每台写入自己的身份码，先备份、后读回校验。"), 1, false, false,
         false},
        {QStringLiteral("ports"), QStringLiteral("ports [--port PORT]"),
         QStringLiteral("列出串口，并给出串口诊断对每个串口的检查结果。"), 0, false, false, false},
    };
    return list;
}

const CommandInfo *commandInfo(const QString &name)
{
    for (const CommandInfo &c : commands())
        if (c.name == name)
            return &c;
    return nullptr;
}

QString exitCodesText()
{
    return QStringLiteral("退出状态：\n"
                          "  0  完成\n"
                          "  1  命令行有误\n"
                          "  2  文件或写频文件被拒绝（无法读写、无法编码，或有警告而没有 --yes）\n"
                          "  3  串口错误（无法打开串口，或串口诊断发现问题）\n"
                          "  4  电台没有应答，或传输中断、被取消\n"
                          "  5  校验或比较发现不同\n");
}

// Runs a command's radio steps; on a failure sets the report's end and returns false.
class RadioCommand {
public:
    RadioCommand(Report &report, const Console &console, const QString &port)
        : m_report(report), m_run(m_session, console)
    {
        m_session.setPort(port);
        report.fields.insert(QStringLiteral("port"), port);
    }

    RadioSession &session() { return m_session; }

    // `ended`: the first line of the window's message for this kind of run, empty for a channel
    // read or write the user started, whose message is the interruption text alone.
    std::optional<RadioSession::RunResult> run(const QList<RadioSession::Step> &steps, const QString &ended,
                                               const QList<int> &groupsRead, int *exit, QString *message)
    {
        const RadioSession::RunResult result = m_run.run(steps);
        if (!m_report.fields.contains(QStringLiteral("time")))
            m_report.fields.insert(QStringLiteral("time"), utcText(result.startedAt));
        QStringList lines;
        if (!result.error.isEmpty()) {
            *exit = kPortError;
            lines << result.error << ended;
        } else if (result.stopped) {
            *exit = kInterrupted;
            const TransferOutcome &o = *result.stopped;
            lines << ended << interruptionText(o, ended.isEmpty());
            m_report.fields.insert(QStringLiteral("stopped"),
                                   QJsonObject{{QStringLiteral("step"), result.stoppedStep},
                                               {QStringLiteral("write"), o.write},
                                               {QStringLiteral("confirmed"), o.confirmed},
                                               {QStringLiteral("blocks"), int(o.blocks.size())}});
        } else if (const QString missing = runtexts::missingBlocks(result.frames, groupsRead); !missing.isEmpty()) {
            *exit = kInterrupted;
            lines << runtexts::missingBlocksText(missing) << ended;
        } else {
            return result;
        }
        lines.removeAll(QString());
        *message = lines.join(QLatin1Char('\n'));
        return std::nullopt;
    }

private:
    Report &m_report;
    RadioSession m_session;
    RadioRun m_run;
};

// A plan file, loaded and checked as the window checks it before a write.
bool loadPlan(const QString &file, MemoryChannelTexts &texts, Report &report, int *exit, QString *message)
{
    report.fields.insert(QStringLiteral("file"), QFileInfo(file).absoluteFilePath());
    try {
        LoadChannelPlan(texts, file);
        validateChannelPlan(texts);
    } catch (const rtl::Exception &e) {
        *exit = kRefused;
        *message = e.message();
        return false;
    }
    return true;
}

int readCommand(Args &a, Report &report, const Console &console)
{
    const QString file = a.parser.value(a.output);
    report.fields.insert(QStringLiteral("file"), QFileInfo(file).absoluteFilePath());
    RadioCommand radio(report, console, a.parser.value(a.port));
    int exit = kDone;
    QString message;
    const auto result = radio.run(RadioSession::readSteps(groups::kChannels), {}, {groups::kChannels}, &exit, &message);
    if (!result)
        return report.finish(exit, message);
    MemoryChannelTexts texts;
    ChannelTransfer::decode(framesOf(*result, {groups::kChannels}), texts);
    try {
        SaveChannelPlan(texts, file);
    } catch (const rtl::Exception &e) {
        return report.finish(kRefused, e.message());
    }
    return report.finish(kDone, kReadSaved.arg(file));
}

int writeCommand(Args &a, Report &report, const Console &console)
{
    const QString file = a.parser.positionalArguments().value(0);
    const QString port = a.parser.value(a.port);
    MemoryChannelTexts texts;
    int exit = kDone;
    QString message;
    if (!loadPlan(file, texts, report, &exit, &message))
        return report.finish(exit, message);
    const QList<PlanWarning> warnings = lintChannelPlan(texts);
    if (!warnings.isEmpty()) {
        report.fields.insert(QStringLiteral("warnings"), warningsJson(warnings));
        QStringList lines;
        for (const PlanWarning &w : warnings)
            lines << warningLine(w);
        if (!a.parser.isSet(a.yes))
            return report.finish(kRefused, runtexts::kPlanWarnings, lines << kWarningsStop);
        report.note((QStringList{runtexts::kPlanWarnings} + lines).join(QLatin1Char('\n')));
    }

    RadioCommand radio(report, console, port);
    report.fields.insert(QStringLiteral("backup"), QJsonValue::Null);
    QString backupFile;
    if (!a.parser.isSet(a.noBackup)) {
        const auto backup = radio.run(RadioSession::readSteps(groups::kChannels),
                                      runtexts::runEnded(runtexts::Run::AutoBackup), {groups::kChannels}, &exit, &message);
        if (!backup)
            return report.finish(exit, message);
        RadioImage image;
        image.readAt = backup->startedAt;
        image.frames = framesOf(*backup, {groups::kChannels});
        try {
            backupFile = saveAutoBackup(image, autoBackupFolder());
        } catch (const rtl::Exception &e) {
            return report.finish(kRefused, QStringList{e.message(), runtexts::runEnded(runtexts::Run::AutoBackup)}
                                               .join(QLatin1Char('\n')));
        }
        report.fields.insert(QStringLiteral("backup"), backupFile);
        report.fields.insert(QStringLiteral("imageTime"), utcText(image.readAt));
        report.note(runtexts::autoBackupSaved(backupFile));
        // A plan file does not hold the alarm: the radio keeps its own.
        MemoryChannelTexts held;
        ChannelTransfer::decode(image.frames, held);
        texts.setSetting(kSettingCount, held.setting(kSettingCount));
    }

    const QList<QByteArray> payloads = ChannelTransfer::encode(texts, radio.session().link().transferBuffer());
    QByteArray sent;
    QMap<int, QByteArray> sentByKey;
    const QList<int> &keys = blockGroups().at(groups::kChannels).keys;
    for (int i = 0; i < payloads.size() && i < keys.size(); ++i) {
        sent += payloads[i];
        sentByKey.insert(keys[i], payloads[i]);
    }
    report.fields.insert(QStringLiteral("sha256"), sha256(sent));
    report.fields.insert(QStringLiteral("blocks"), int(payloads.size()));

    const bool verify = !a.parser.isSet(a.noVerify);
    QList<RadioSession::Step> steps{{groups::kChannels, true, payloads}};
    if (verify)
        steps << RadioSession::Step{groups::kChannels, false, {}};
    RadioSession::RunResult result;
    {
        // The message of a stop depends on the step it stopped in: the write itself, or the read-back.
        int stepExit = kDone;
        QString stepMessage;
        const auto done = radio.run(steps, {}, verify ? QList<int>{groups::kChannels} : QList<int>{}, &stepExit,
                                    &stepMessage);
        if (!done) {
            const QJsonObject stopped = report.fields.value(QStringLiteral("stopped")).toObject();
            if (verify && stopped.value(QStringLiteral("step")).toInt() == 1)
                stepMessage = QStringList{runtexts::runEnded(runtexts::Run::ReadBack), stepMessage}.join(QLatin1Char('\n'));
            QStringList details;
            if (!backupFile.isEmpty())
                details << kRestoreHint.arg(backupFile, port);
            return report.finish(stepExit, stepMessage, details);
        }
        result = *done;
    }
    if (!verify)
        return report.finish(kDone, runtexts::kWriteDone);
    const QList<ReadBackDifference> differences = compareReadBack(sentByKey, payloadsOf(result.frames));
    report.fields.insert(QStringLiteral("differences"), differencesJson(differences));
    if (differences.isEmpty())
        return report.finish(kDone, runtexts::kWriteVerified);
    return report.finish(kDifferences, runtexts::kWriteDiffers, differenceLines(differences));
}

int backupCommand(Args &a, Report &report, const Console &console)
{
    const QString file = a.parser.value(a.output);
    report.fields.insert(QStringLiteral("file"), QFileInfo(file).absoluteFilePath());
    RadioCommand radio(report, console, a.parser.value(a.port));
    int exit = kDone;
    QString message;
    QList<int> all;
    for (int g = 0; g < groups::kCount; ++g)
        all << g;
    const auto result = radio.run(RadioSession::backupSteps(), runtexts::runEnded(runtexts::Run::Backup), all, &exit,
                                  &message);
    if (!result)
        return report.finish(exit, message);
    RadioImage image;
    image.readAt = result->startedAt;
    image.frames = framesOf(*result, all);
    try {
        saveRadioImage(image, file);
    } catch (const rtl::Exception &e) {
        return report.finish(kRefused, QStringList{e.message(), runtexts::runEnded(runtexts::Run::Backup)}
                                           .join(QLatin1Char('\n')));
    }
    report.fields.insert(QStringLiteral("imageTime"), utcText(image.readAt));
    report.fields.insert(QStringLiteral("blocks"), int(image.frames.size()));
    report.fields.insert(QStringLiteral("fileSha256"), sha256(serializeRadioImage(image)));
    return report.finish(kDone, runtexts::backedUpTo(file) + QLatin1Char('\n') + runtexts::backedUp(int(image.frames.size())));
}

int restoreCommand(Args &a, Report &report, const Console &console)
{
    const QString file = a.parser.positionalArguments().value(0);
    report.fields.insert(QStringLiteral("file"), QFileInfo(file).absoluteFilePath());
    RadioImage image;
    try {
        image = loadRadioImage(file);
    } catch (const rtl::Exception &e) {
        return report.finish(kRefused, e.message());
    }
    report.fields.insert(QStringLiteral("imageTime"), utcText(image.readAt));
    const QList<int> held = image.groups();
    QMap<int, QByteArray> expected;
    for (int g : held)
        for (int key : blockGroups().at(g).keys)
            expected.insert(key, image.payload(key));
    report.fields.insert(QStringLiteral("sha256"), sha256(writtenBytes(expected, held)));
    report.fields.insert(QStringLiteral("blocks"), int(expected.size()));

    RadioCommand radio(report, console, a.parser.value(a.port));
    int exit = kDone;
    QString message;
    const auto result = radio.run(RadioSession::restoreSteps(image), runtexts::runEnded(runtexts::Run::Restore), held,
                                  &exit, &message);
    if (!result)
        return report.finish(exit, message);
    const QList<ReadBackDifference> differences = compareReadBack(expected, payloadsOf(result->frames));
    report.fields.insert(QStringLiteral("differences"), differencesJson(differences));
    if (differences.isEmpty())
        return report.finish(kDone, runtexts::kRestoreVerified);
    return report.finish(kDifferences, runtexts::kRestoreDiffers, differenceLines(differences));
}

int verifyCommand(Args &a, Report &report, const Console &console)
{
    MemoryChannelTexts texts;
    int exit = kDone;
    QString message;
    if (!loadPlan(a.parser.positionalArguments().value(0), texts, report, &exit, &message))
        return report.finish(exit, message);
    RadioCommand radio(report, console, a.parser.value(a.port));
    const auto result = radio.run(RadioSession::readSteps(groups::kChannels), {}, {groups::kChannels}, &exit, &message);
    if (!result)
        return report.finish(exit, message);
    const QList<QByteArray> frames = framesOf(*result, {groups::kChannels});
    // A plan file does not hold the alarm: whatever the radio has there is no difference.
    MemoryChannelTexts held;
    ChannelTransfer::decode(frames, held);
    texts.setSetting(kSettingCount, held.setting(kSettingCount));
    const QList<QByteArray> payloads = ChannelTransfer::encode(texts, RadioLink::Buffer{});
    QMap<int, QByteArray> expected;
    const QList<int> &keys = blockGroups().at(groups::kChannels).keys;
    for (int i = 0; i < payloads.size() && i < keys.size(); ++i)
        expected.insert(keys[i], payloads[i]);
    const QList<ReadBackDifference> differences = compareReadBack(expected, payloadsOf(result->frames));
    report.fields.insert(QStringLiteral("differences"), differencesJson(differences));
    if (differences.isEmpty())
        return report.finish(kDone, kVerifyMatches);
    return report.finish(kDifferences, kVerifyDiffers, differenceLines(differences));
}

QJsonArray fieldDifferencesJson(const QList<FieldDifference> &differences)
{
    QJsonArray out;
    for (const FieldDifference &d : differences)
        out << QJsonObject{{QStringLiteral("where"), d.where},
                           {QStringLiteral("field"), d.field},
                           {QStringLiteral("before"), d.before},
                           {QStringLiteral("after"), d.after},
                           {QStringLiteral("line"), d.line()}};
    return out;
}

// One side of a diff, loaded to its end; a radio's port is opened once first, so that a port
// that will not open is told as a port error.
std::optional<Side> loadSide(const QString &source, const QList<int> &radioGroups, const Console &console, int *exit,
                             QString *message)
{
    RadioSession session;
    SideLoader loader;
    const bool radio = source.startsWith(kRadioPrefix);
    if (radio) {
        session.setPort(source.mid(kRadioPrefix.size()));
        try {
            session.open();
        } catch (const rtl::Exception &e) {
            *exit = kPortError;
            *message = e.message();
            return std::nullopt;
        }
        session.close();
        loader.setSession(&session);
        loader.setGroups(radioGroups);
    }
    std::optional<Side> side;
    QString failure;
    QEventLoop loop;
    QObject::connect(&loader, &SideLoader::loaded, &loop, [&](const Side &s) {
        side = s;
        loop.quit();
    });
    QObject::connect(&loader, &SideLoader::failed, &loop, [&](const QString &why) {
        failure = why;
        loop.quit();
    });
    QObject::connect(&loader, &SideLoader::progress, &loop, [&](int blocks, int total) {
        if (console.progress && total > 0)
            console.err->write(QStringLiteral("\r\033[K%1 %2/%3").arg(source).arg(blocks).arg(total).toUtf8());
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (interrupted() && loader.running())
            loader.abort();
    });
    poll.start(50);
    loader.load(source);
    loop.exec();
    if (console.progress && radio)
        console.err->write("\r\033[K");
    if (!side) {
        *exit = radio ? kInterrupted : kRefused;
        *message = failure;
    }
    return side;
}

int fleetCommand(Args &a, Report &report, const Console &console)
{
    if (a.parser.value(a.radios).isEmpty())
        return report.finish(kUsage, QStringLiteral("缺少电台表：--radios RADIOS.csv"));
    FleetCommandOptions options;
    options.templateFile = a.parser.positionalArguments().value(0);
    options.radiosFile = a.parser.value(a.radios);
    options.ports = a.parser.value(a.ports).split(QLatin1Char(','), Qt::SkipEmptyParts);
    options.reportFile = a.parser.value(a.report);
    // The lines go straight to the terminal as each radio ends; under --json they become fields.
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    QTextStream directOut(console.out), directErr(console.err);
    const bool json = a.parser.isSet(a.json);
    const int exit = runFleetCommand(options, json ? out : directOut, json ? err : directErr);
    directOut.flush();
    directErr.flush();
    if (!json)
        return exit;
    report.fields.insert(QStringLiteral("lines"), QJsonArray::fromStringList(outText.split(QLatin1Char('\n'), Qt::SkipEmptyParts)));
    report.fields.insert(QStringLiteral("problems"), QJsonArray::fromStringList(errText.split(QLatin1Char('\n'), Qt::SkipEmptyParts)));
    if (!options.reportFile.isEmpty())
        report.fields.insert(QStringLiteral("report"), QFileInfo(options.reportFile).absoluteFilePath());
    const QStringList lines = outText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return report.finish(exit, exit == kRefused ? errText.trimmed() : lines.value(lines.size() - 1));
}

int diffCommand(Args &a, Report &report, const Console &console)
{
    const QStringList sources = a.parser.positionalArguments();
    report.fields.insert(QStringLiteral("a"), sources.value(0));
    report.fields.insert(QStringLiteral("b"), sources.value(1));
    report.fields.insert(QStringLiteral("time"), utcText(QDateTime::currentDateTimeUtc()));
    // Against a plan, which holds the channels alone, the radio is read for its channels alone.
    QList<int> radioGroups;
    for (int g = 0; g < groups::kCount; ++g)
        if (g == groups::kChannels || !(isPlanSource(sources.value(0)) || isPlanSource(sources.value(1))))
            radioGroups << g;
    int exit = kDone;
    QString message;
    const std::optional<Side> first = loadSide(sources.value(0), radioGroups, console, &exit, &message);
    if (!first)
        return report.finish(exit, message);
    const std::optional<Side> second = loadSide(sources.value(1), radioGroups, console, &exit, &message);
    if (!second)
        return report.finish(exit, message);
    const SideComparison comparison = compareSides(*first, *second);
    report.fields.insert(QStringLiteral("differences"), fieldDifferencesJson(comparison.differences));
    if (!comparison.notes.isEmpty())
        report.fields.insert(QStringLiteral("comparisonNotes"), QJsonArray::fromStringList(comparison.notes));
    const QString heading = QStringLiteral("%1 → %2").arg(first->name, second->name);
    QStringList lines = comparison.notes;
    if (comparison.differences.isEmpty())
        return report.finish(kDone, heading, lines << kNoDifferences);
    for (const FieldDifference &d : comparison.differences)
        lines << d.line();
    return report.finish(kDifferences, heading, lines);
}

QString statusMark(CheckStatus status)
{
    switch (status) {
    case CheckStatus::Pass: return QStringLiteral("✔");
    case CheckStatus::Warn: return QStringLiteral("!");
    case CheckStatus::Fail: return QStringLiteral("✘");
    case CheckStatus::Skipped: return QStringLiteral("–");
    }
    return {};
}

QString statusName(CheckStatus status)
{
    switch (status) {
    case CheckStatus::Pass: return QStringLiteral("pass");
    case CheckStatus::Warn: return QStringLiteral("warn");
    case CheckStatus::Fail: return QStringLiteral("fail");
    case CheckStatus::Skipped: return QStringLiteral("skipped");
    }
    return {};
}

void addFindings(const QList<CheckResult> &findings, QStringList &lines, QJsonArray &json)
{
    for (const CheckResult &c : findings) {
        lines << QStringLiteral("  %1 %2：%3").arg(statusMark(c.status), c.title, c.detail);
        for (const QString &fix : c.fix.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            lines << QStringLiteral("      %1").arg(fix);
        json << QJsonObject{{QStringLiteral("id"), c.id},
                            {QStringLiteral("status"), statusName(c.status)},
                            {QStringLiteral("title"), c.title},
                            {QStringLiteral("detail"), c.detail},
                            {QStringLiteral("fix"), c.fix}};
    }
}

int portsCommand(Args &a, Report &report, const Console &)
{
    const PortEnvironment env = PortEnvironment::system();
    QStringList lines;
    QJsonArray ports;
    if (a.parser.isSet(a.port)) {
        // One port, whether the system lists it or not (a pty, a name still to be plugged in).
        const QString port = a.parser.value(a.port);
        const QList<CheckResult> findings = diagnosePort(env, port);
        QJsonArray checks;
        lines << port;
        addFindings(findings, lines, checks);
        ports << QJsonObject{{QStringLiteral("path"), port}, {QStringLiteral("checks"), checks}};
        report.fields.insert(QStringLiteral("ports"), ports);
        const bool fault = std::any_of(findings.cbegin(), findings.cend(),
                                       [](const CheckResult &c) { return c.status == CheckStatus::Fail; });
        return report.finish(fault ? kPortError : kDone, lines.join(QLatin1Char('\n')));
    }
    const QList<PortEntry> entries = listPorts(env);
    for (const PortEntry &entry : entries) {
        QJsonArray checks;
        lines << QStringLiteral("%1  %2").arg(entry.path, entry.label());
        addFindings(diagnosePort(env, entry.path), lines, checks);
        ports << QJsonObject{{QStringLiteral("path"), entry.path},
                             {QStringLiteral("device"), entry.device},
                             {QStringLiteral("description"), entry.description},
                             {QStringLiteral("problem"), entry.problem},
                             {QStringLiteral("checks"), checks}};
    }
    if (entries.isEmpty()) {
        QJsonArray checks;
        lines << kNoPorts;
        addFindings({checkCable(env, QString())}, lines, checks);
        report.fields.insert(QStringLiteral("checks"), checks);
    }
    report.fields.insert(QStringLiteral("ports"), ports);
    return report.finish(kDone, lines.join(QLatin1Char('\n')));
}

} // namespace

bool isCommand(const QString &word)
{
    return commandInfo(word) != nullptr;
}

QString helpText()
{
    QString text = QStringLiteral("用法：\n"
                                  "  radioprog [PLAN.zq]          打开窗口（并打开写频文件）\n"
                                  "  radioprog COMMAND [选项…]    不开窗口，在终端或脚本中运行\n\n"
                                  "命令：\n");
    for (const CommandInfo &c : commands())
        text += QStringLiteral("  radioprog %1\n      %2\n").arg(c.synopsis, c.summary);
    text += QStringLiteral("\n每个命令都接受 --json（标准输出上一个 JSON 对象）和 --help。\n"
                           "  -h, --help      显示本帮助\n"
                           "  -v, --version   显示版本\n\n");
    return text + exitCodesText();
}

int runCommand(const QStringList &arguments, const Console &console)
{
    const QString name = arguments.value(1);
    const CommandInfo *info = commandInfo(name);
    Args a;
    a.parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    a.parser.addOption(a.json);
    a.parser.addOption(a.help);
    if (info && (info->port || info->name == QStringLiteral("ports")))
        a.parser.addOption(a.port);
    if (info && info->output)
        a.parser.addOption(a.output);
    if (info && info->name == QStringLiteral("fleet")) {
        a.parser.addOption(a.radios);
        a.parser.addOption(a.ports);
        a.parser.addOption(a.report);
    }
    if (info && info->writeOptions) {
        a.parser.addOption(a.yes);
        a.parser.addOption(a.noBackup);
        a.parser.addOption(a.noVerify);
    }
    QStringList rest = arguments;
    if (rest.size() > 1)
        rest.removeAt(1);
    const bool parsed = info && a.parser.parse(rest);
    // A command line the parser refuses still answers in JSON when it asks for it.
    const bool json = parsed ? a.parser.isSet(a.json) : rest.contains(QStringLiteral("--json"));
    Report report(name, console, json);
    if (!info)
        return report.finish(kUsage, QStringLiteral("未知的命令：%1\n\n%2").arg(name, helpText()));
    const QString usage = QStringLiteral("用法：radioprog %1").arg(info->synopsis);
    if (!parsed)
        return report.finish(kUsage, a.parser.errorText() + QLatin1Char('\n') + usage);
    if (a.parser.isSet(a.help)) {
        console.print(QStringLiteral("%1\n%2\n\n%3").arg(usage, info->summary, a.parser.helpText().section(QLatin1Char('\n'), 2)));
        return kDone;
    }
    const QStringList files = a.parser.positionalArguments();
    if (files.size() != info->files)
        return report.finish(kUsage, kWantsFile + QLatin1Char('\n') + usage);
    if (info->port && a.parser.value(a.port).isEmpty())
        return report.finish(kUsage, kNoPort + QLatin1Char('\n') + usage);
    if (info->output && a.parser.value(a.output).isEmpty())
        return report.finish(kUsage, kNoOutput + QLatin1Char('\n') + usage);

    static const QMap<QString, std::function<int(Args &, Report &, const Console &)>> run{
        {QStringLiteral("read"), readCommand},       {QStringLiteral("write"), writeCommand},
        {QStringLiteral("backup"), backupCommand},   {QStringLiteral("restore"), restoreCommand},
        {QStringLiteral("verify"), verifyCommand},   {QStringLiteral("ports"), portsCommand},
        {QStringLiteral("diff"), diffCommand},       {QStringLiteral("fleet"), fleetCommand},
    };
    if (!run.contains(name))
        return report.finish(kUsage, QStringLiteral("未知的命令：%1").arg(name));
    return run.value(name)(a, report, console);
}

} // namespace cli
