// radioprog: a command (read, write, …) runs here on QtCore alone, with no display; anything else
// is the window program's, which this process becomes. Nothing of the windows is mapped until then.
#include "cli/commands.h"
#include "cli/exitcodes.h"
#include "cli/radiorun.h"
#include "radioprog/version.h"
#include "rtl/dialogs.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QTranslator>

#include <climits>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// The window program: beside this one as the package installs it, else where the build made it.
std::string windowProgram()
{
    char self[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        std::string dir(self, size_t(n));
        dir.erase(dir.rfind('/'));
        const std::string installed = dir + "/../lib/radioprog/radioprog-window";
        if (access(installed.c_str(), X_OK) == 0)
            return installed;
    }
    return RADIOPROG_WINDOW_BUILD;
}

bool asksForText(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i)
        for (const char *option : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    const bool command = argc > 1 && cli::isCommand(QString::fromLocal8Bit(argv[1]));
    if (!command && !asksForText(argc, argv)) {
        const std::string window = windowProgram();
        // On X11 the window's class stays the command's name, which the desktop entry matches.
        setenv("RESOURCE_NAME", "radioprog", 0);
        execv(window.c_str(), argv);
        std::fprintf(stderr, "radioprog: %s: %s\n", window.c_str(), std::strerror(errno));
        return cli::kUsage;
    }

    QCoreApplication app(argc, argv);
    // The same name as the window's, so both keep their automatic backups in one folder.
    QCoreApplication::setApplicationName(rtl::kAppTitle);
    QCoreApplication::setApplicationVersion(QStringLiteral(RADIOPROG_VERSION));
    auto *translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);

    QFile out, err;
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    const cli::Console console{&out, &err, isatty(STDERR_FILENO) == 1};
    if (!command) {
        const QStringList args = QCoreApplication::arguments();
        if (args.contains(QStringLiteral("-v")) || args.contains(QStringLiteral("--version")))
            console.print(QStringLiteral("%1 %2").arg(rtl::kAppTitle, QStringLiteral(RADIOPROG_VERSION)));
        else
            console.print(cli::helpText());
        return cli::kDone;
    }
    cli::installInterruptHandler();
    return cli::runCommand(QCoreApplication::arguments(), console);
}
