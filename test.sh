#!/usr/bin/env bash
# Installs what the program and its tests need, builds, and runs every test through ctest.
# Then the unit and widget tests again, built with AddressSanitizer and
# UndefinedBehaviorSanitizer, and the MIDI input tests built with ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build --parallel "$(nproc)"
ctest --test-dir build --output-on-failure --timeout 600

# Any report of a sanitizer fails the test it comes from.
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export TSAN_OPTIONS="halt_on_error=1:exitcode=66:second_deadlock_stack=1:suppressions=$PWD/tests/sanitizers/tsan.supp"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQVB_SANITIZE=ON
cmake --build build-asan --parallel "$(nproc)" --target qvb_unit_tests
ctest --test-dir build-asan -L unit --output-on-failure --timeout 600

# The MIDI input under ThreadSanitizer: the mailbox between the input's thread
# and the window's, the device holder, and the real input on a JACK server of
# the tests' own.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQVB_TSAN=ON
cmake --build build-tsan --parallel "$(nproc)" --target tst_mididevices tst_jackmidi midi_mailbox_tsan
ctest --test-dir build-tsan -R '^(tst_mididevices|midi_mailbox_tsan)$' --output-on-failure --timeout 600
# The sanitizer slows JACK's first cycles of a new client past their deadline,
# so a message sent at once may miss its cycle; the normal build above checks
# every arrival. Here the JACK tests run for what the sanitizer finds.
log=build-tsan/tst_jackmidi.log
QT_QPA_PLATFORM=offscreen build-tsan/tests/midi/tst_jackmidi >"$log" 2>&1 && rc=0 || rc=$?
if [ "$rc" = 66 ] || grep -q 'ThreadSanitizer' "$log"; then
  cat "$log"
  echo "tst_jackmidi: ThreadSanitizer found a problem" >&2
  exit 1
fi
grep -q '^PASS   : TestJackMidi::inputFilter(90 3C 64)\|^PASS   : TestJackMidi::twoNotesBeforeATakeJudgeTheLater()' "$log" || {
  cat "$log"
  echo "tst_jackmidi under ThreadSanitizer: the input was never exercised" >&2
  exit 1
}
echo "tst_jackmidi under ThreadSanitizer: no report ($(grep -c '^PASS' "$log") checks passed)"
