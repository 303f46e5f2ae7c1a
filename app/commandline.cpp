// Translations, the command line and the plan named on it.
#include "app/commandline.h"

#include "app/Unit1.h"
#include "rtl/guard.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

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
