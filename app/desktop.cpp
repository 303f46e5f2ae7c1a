// Translations, command line, start plan, dialog folders and the About box.
#include "app/desktop.h"

#include "app/Unit1.h"
#include "radioprog/version.h"
#include "rtl/dialogs.h"
#include "rtl/guard.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

namespace {

QString lastPlanFolder;

} // namespace

bool installQtTranslation(QCoreApplication &app)
{
    // Every text of the program is Chinese, so Qt's own are too, whatever the locale says.
    auto *translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

bool asksOnlyForText(int argc, char *argv[])
{
    static const QStringList textOptions{QStringLiteral("-h"), QStringLiteral("--help"), QStringLiteral("-?"),
                                         QStringLiteral("--help-all"), QStringLiteral("-v"),
                                         QStringLiteral("--version")};
    for (int i = 1; i < argc; ++i)
        if (textOptions.contains(QString::fromLocal8Bit(argv[i])))
            return true;
    return false;
}

QString planFromCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("16 信道手持对讲机的写频软件。"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("PLAN.zq"), QStringLiteral("启动时打开的写频文件。"),
                                 QStringLiteral("[PLAN.zq]"));
    parser.process(arguments);
    const QStringList plans = parser.positionalArguments();
    if (plans.size() > 1) {
        std::fprintf(stderr, "%s\n", qPrintable(QStringLiteral("只能打开一个写频文件。")));
        std::exit(EXIT_FAILURE);
    }
    return plans.value(0);
}

void openPlanFile(TForm1 &window, const QString &file)
{
    // Absolute, so the message names the file as the open dialog's choice would.
    const QString path = QFileInfo(file).absoluteFilePath();
    rtl::guard([&] { window.openPlan(path); });
}

QString planDialogFolder()
{
    if (!lastPlanFolder.isEmpty() && QFileInfo(lastPlanFolder).isDir())
        return lastPlanFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void notePlanFolder(const QString &file)
{
    if (!file.isEmpty())
        lastPlanFolder = QFileInfo(file).absolutePath();
}

std::unique_ptr<QFileDialog> makeFileDialog(QWidget *parent, QFileDialog::AcceptMode mode, const QString &filter,
                                            const QString &suffix, QFileDialog::Options options, const QString &title,
                                            const QString &fileName)
{
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setOptions(options);
    dialog->setAcceptMode(mode);
    if (mode == QFileDialog::AcceptOpen)
        dialog->setFileMode(QFileDialog::ExistingFile);
    if (!title.isEmpty())
        dialog->setWindowTitle(title);
    dialog->setNameFilter(filter);
    dialog->setDefaultSuffix(suffix);
    dialog->setDirectory(planDialogFolder());
    if (!fileName.isEmpty())
        dialog->selectFile(fileName);
    return dialog;
}

QString runFileDialog(QWidget *parent, QFileDialog::AcceptMode mode, const QString &filter, const QString &suffix,
                      QFileDialog::Options options, const QString &title, const QString &fileName)
{
    return runFileDialog(*makeFileDialog(parent, mode, filter, suffix, options, title, fileName));
}

QString runFileDialog(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QString file = dialog.selectedFiles().value(0);
    notePlanFolder(file);
    return file;
}

void showAboutBox(QWidget *parent)
{
    auto *box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("aboutBox"));
    box->setWindowTitle(QStringLiteral("关于 %1").arg(rtl::kAppTitle));
    box->setTextFormat(Qt::RichText);
    box->setText(QStringLiteral("<h3>%1</h3><p>版本 %2</p><p>基于 Qt %3</p><p>许可证：%4</p>"
                                "<p>本程序是自由软件，不提供任何担保。</p>")
                     .arg(rtl::kAppTitle, QStringLiteral(RADIOPROG_VERSION), QString::fromLatin1(qVersion()),
                          QStringLiteral(RADIOPROG_LICENSE)));
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull())
        box->setIconPixmap(icon.pixmap(64));
    box->setStandardButtons(QMessageBox::Ok);
    box->open();
}
