// radio-sim: serves the simulated radio on a pty until SIGINT, SIGTERM or SIGHUP, so a person
// can point the program at the printed port path.
#include "radioprog/version.h"
#include "tools/radiosim/ptylink.h"
#include "tools/radiosim/radiosim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <csignal>
#include <limits>
#include <cstdio>
#include <mutex>

int main(int argc, char *argv[])
{
    // Blocked before any thread exists, so only sigwait below ever sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP); // a closed terminal: still save the image and remove the link
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("radio-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RADIOPROG_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated radio on a pty."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption paced(QStringLiteral("paced"), QStringLiteral("Pace the line at 9600 baud."));
    const QCommandLineOption image(QStringLiteral("image"),
                                   QStringLiteral("Load the memory image from FILE and save it there on exit."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption verbose(QStringLiteral("verbose"), QStringLiteral("Print every frame and answer."));
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Keep a symbolic link at PATH to the pty while serving."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Answer every frame MS milliseconds late, as a slow radio does."),
                                   QStringLiteral("MS"));
    const QCommandLineOption repeatAcks(QStringLiteral("repeat-acks"),
                                        QStringLiteral("Send every acknowledgement twice."));
    parser.addOptions({paced, image, verbose, link, delay, repeatAcks});
    parser.process(app);
    bool delayOk = true;
    const int delayMs = parser.isSet(delay) ? parser.value(delay).toInt(&delayOk) : 0;
    if (!delayOk || delayMs < 0 || delayMs > 60000) {
        std::fprintf(stderr, "radio-sim: --delay wants a number of milliseconds from 0 to 60000\n");
        return 1;
    }

    radiosim::RadioSim sim;
    const QString imagePath = parser.value(image);
    if (!imagePath.isEmpty() && QFileInfo::exists(imagePath) && !sim.loadImage(imagePath)) {
        std::fprintf(stderr, "radio-sim: cannot read image %s\n", qPrintable(imagePath));
        return 1;
    }
    sim.setPaced(parser.isSet(paced));
    if (delayMs > 0)
        sim.delayAnswers(delayMs, std::numeric_limits<int>::max());
    sim.repeatAcknowledgements(parser.isSet(repeatAcks));
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
    radiosim::PtyLink portLink;
    if (parser.isSet(link) && !portLink.create(sim.portPath(), parser.value(link))) {
        std::fprintf(stderr, "radio-sim: %s\n", qPrintable(portLink.errorString()));
        sim.stop();
        return 1;
    }
    {
        std::lock_guard lock(printLock);
        std::printf("radio-sim: serving on %s\n", qPrintable(sim.portPath()));
        if (parser.isSet(link))
            std::printf("radio-sim: linked as %s\n", qPrintable(parser.value(link)));
        std::fflush(stdout);
    }

    int signal = 0;
    sigwait(&stopSignals, &signal);
    portLink.remove();
    sim.stop();

    if (!imagePath.isEmpty() && !sim.saveImage(imagePath)) {
        std::fprintf(stderr, "radio-sim: cannot write image %s\n", qPrintable(imagePath));
        return 1;
    }
    return 0;
}
