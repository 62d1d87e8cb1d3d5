#include "cvelmora01app.h"

#include <QApplication>
#include <QGuiApplication>

#include "cvelmora01dlg.h"
#include "signalbridge.h"
#include "steadyclock.h"
#include "synthmodule.h"
#include "systemmidi.h"

int CVelmora01App::run(int argc, char** argv) {
    Q_INIT_RESOURCE(pictures);
    // The synthesizer's SoundFont loads while the windows start up.
    SystemMidi platform(SynthConfig::fromEnvironment(), openSynthFromModule);
    platform.prepareSynth();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QVB-Zaradariveda"));
    QGuiApplication::setDesktopFileName(QStringLiteral("qvb-zaradariveda"));

    SteadyClock clock;
    CVelmora01Dlg dialog(platform, clock);

    // A kill, Ctrl+C or the end of the session end the window the normal
    // way, so the best list is saved.
    SignalBridge bridge;
    QObject::connect(&bridge, &SignalBridge::terminationRequested, &dialog,
                     &CVelmora01Dlg::requestEnd);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &dialog,
                     [&dialog] { dialog.requestEnd(); });

    dialog.run();
    return 0;
}
