// radio-sim: serves the simulated radio on a pty until SIGINT or SIGTERM, so a person can
// point the program at the printed port path.
#include "tools/radiosim/radiosim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <mutex>

int main(int argc, char *argv[])
{
    // Blocked before any thread exists, so only sigwait below ever sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("radio-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated radio on a pty."));
    parser.addHelpOption();
    const QCommandLineOption paced(QStringLiteral("paced"), QStringLiteral("Pace the line at 9600 baud."));
    const QCommandLineOption image(QStringLiteral("image"),
                                   QStringLiteral("Load the memory image from FILE and save it there on exit."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption verbose(QStringLiteral("verbose"), QStringLiteral("Print every frame and answer."));
    parser.addOptions({paced, image, verbose});
    parser.process(app);

    radiosim::RadioSim sim;
    const QString imagePath = parser.value(image);
    if (!imagePath.isEmpty() && QFileInfo::exists(imagePath) && !sim.loadImage(imagePath)) {
        std::fprintf(stderr, "radio-sim: cannot read image %s\n", qPrintable(imagePath));
        return 1;
    }
    sim.setPaced(parser.isSet(paced));
    std::mutex printLock;
    if (parser.isSet(verbose)) {
        sim.setMonitor([&printLock](const QString &line) {
            std::lock_guard lock(printLock);
            std::printf("%s\n", qPrintable(line));
            std::fflush(stdout);
        });
    }
    if (!sim.start()) {
        std::fprintf(stderr, "radio-sim: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    {
        std::lock_guard lock(printLock);
        std::printf("radio-sim: serving on %s\n", qPrintable(sim.portPath()));
        std::fflush(stdout);
    }

    int signal = 0;
    sigwait(&stopSignals, &signal);
    sim.stop();

    if (!imagePath.isEmpty() && !sim.saveImage(imagePath)) {
        std::fprintf(stderr, "radio-sim: cannot write image %s\n", qPrintable(imagePath));
        return 1;
    }
    return 0;
}
