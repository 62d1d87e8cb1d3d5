#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what the game and its tests, benchmarks and checks need, builds all
# of it, and runs every test through ctest.
# Then the unit and widget tests again, built with AddressSanitizer and
# UndefinedBehaviorSanitizer, and the MIDI input and built-in synthesizer tests built
# with ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh --tests
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQVB_BUILD_TESTS=ON -DQVB_BUILD_BENCH=ON
cmake --build build --parallel "$(nproc)"
# FluidR3, the recorded instruments the microphone's listener is tested with:
# unpacked into the build folder, never installed (installed, it would become
# the machine's default SoundFont and change what every other test hears).
fluidr3=build/fluidr3/usr/share/sounds/sf2/FluidR3_GM.sf2
if [ ! -f "$fluidr3" ]; then
  (cd build && apt-get download fluid-soundfont-gm && dpkg-deb -x fluid-soundfont-gm_*.deb fluidr3 &&
    rm -f fluid-soundfont-gm_*.deb) ||
    echo "fluid-soundfont-gm could not be fetched: the listener's tests on FluidR3 are skipped." >&2
fi
export QVB_LISTEN_SOUNDFONT="$PWD/$fluidr3"
./scripts/clean-stale-jack.sh
ctest --test-dir build --output-on-failure --timeout 600

# Any report of a sanitizer fails the test it comes from.
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export TSAN_OPTIONS="halt_on_error=1:exitcode=66:second_deadlock_stack=1:suppressions=$PWD/tests/sanitizers/tsan.supp"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQVB_SANITIZE=ON -DQVB_BUILD_TESTS=ON -DQVB_BUILD_BENCH=OFF
cmake --build build-asan --parallel "$(nproc)" --target qvb_unit_tests
ctest --test-dir build-asan -L unit --output-on-failure --timeout 600

# The MIDI input under ThreadSanitizer: the mailbox between the input's thread
# and the window's, the device holder, the real input on JACK, and the news of
# ports that come and go on their way from JACK's thread to the window's.
# The built-in synthesizer too: the SoundFont's loader and measuring
# synthesizer beside the messages, and the synthesizer as the program opens it.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQVB_TSAN=ON -DQVB_BUILD_TESTS=ON -DQVB_BUILD_BENCH=OFF
# Two races of our own through Qt must be reported, or the suppressions hide too much.
cmake --build build-tsan --parallel "$(nproc)" --target tst_mididevices tst_jackmidi tst_portwatch_jack midi_mailbox_tsan qt_race_tsan \
  tst_systemmidi synth_loader_tsan
ctest --test-dir build-tsan -R '^(tst_mididevices|tst_jackmidi|tst_portwatch_jack|midi_mailbox_tsan|qt_race_tsan_.*|tst_systemmidi|synth_loader_tsan)$' \
  --output-on-failure --timeout 600
# On a real sound server: the synthesizer's keeper and the microphone's
# capture. libpulse, which is not built with the sanitizer, hands its own
# memory and mutexes between its threads in ways the sanitizer takes for races
# (inside pa_mutex_lock, pa_threaded_mainloop_wait); what happens inside it is
# not looked at, every access of ours still is (the two races of our own
# through Qt are still reported so, and checked again). The tests start the server's
# tools from a program whose threads run.
cmake --build build-tsan --parallel "$(nproc)" --target tst_synth_pulse tst_microphone_pulse tst_microphoneinput
TSAN_OPTIONS="$TSAN_OPTIONS:ignore_noninstrumented_modules=1:die_after_fork=0" \
  ctest --test-dir build-tsan -R '^(tst_synth_pulse|tst_microphone_pulse|tst_microphoneinput|qt_race_tsan_.*)$' \
  --output-on-failure --timeout 600
