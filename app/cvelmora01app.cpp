// SPDX-License-Identifier: GPL-3.0-or-later
#include "cvelmora01app.h"

#include <fontconfig/fontconfig.h>

#include <QAccessible>
#include <QApplication>
#include <QGuiApplication>
#include <thread>

#include "buttonaccessible.h"
#include "cvelmora01dlg.h"
#include "jacknostart.h"
#include "microphoneplatform.h"
#include "picturereading.h"
#include "signalbridge.h"
#include "steadyclock.h"
#include "synthmodule.h"
#include "systemmidimodule.h"
#include "trainerviewaccessible.h"
#include "viewherald.h"

int CVelmora01App::run(int argc, char** argv) {
    // First, while no other thread may getenv: the environment the sound
    // libraries read.
    forbidJackServerStart();
    const SynthConfig synthConfig = SynthConfig::fromEnvironment();

    // The first control with text reads the font configuration, some
    // hundredths of a second of parsing; the second core does it while the
    // application connects to the display. Fontconfig makes the first
    // configuration once and for all threads. Then the same thread loads the
    // MIDI ports' module, which the window needs only once it opens its
    // devices; the built-in synthesizer starts once the window is on the
    // screen.
    std::unique_ptr<MidiPlatform> platform;
    std::thread setup([&synthConfig, &platform] {
        FcInit();
        platform = openSystemMidiFromModule(synthConfig, openSynthFromModule);
    });

    Q_INIT_RESOURCE(pictures);

    QApplication app(argc, argv);
    // A button chosen by a screen reader is clicked, as by the mouse, and
    // the trainer view is read in words.
    ButtonAccessible::install();
    QAccessible::installFactory(&TrainerViewAccessible::factory);
    QAccessible::installFactory(&ViewHerald::factory);
    QApplication::setApplicationName(QStringLiteral("QVB-Zaradariveda"));
    QGuiApplication::setDesktopFileName(QStringLiteral("qvb-zaradariveda"));
    // The pictures are decoded while the window builds its controls.
    PictureReading pictures;
    setup.join(); // before Qt asks for the first font
    // After the MIDI inputs, the microphone, once the settings look for it.
    MicrophonePlatform inputs(*platform);

    SteadyClock clock;
    CVelmora01Dlg dialog(inputs, clock, nullptr, &pictures);

    // A kill, Ctrl+C or the end of the session end the window the normal
    // way, so the best list is saved.
    SignalBridge bridge;
    QObject::connect(&bridge, &SignalBridge::terminationRequested, &dialog,
                     &CVelmora01Dlg::requestEnd);
    // A logout asks first, and may still be cancelled: the list is saved and
    // the game goes on; the session's real end comes as SIGTERM.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &dialog,
                     [&dialog] { dialog.commitData(); });

    dialog.run();
    return 0;
}
