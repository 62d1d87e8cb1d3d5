// SPDX-License-Identifier: GPL-3.0-or-later
#include "childserver.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

pid_t startChildServer(std::vector<std::string> args, int deathSignal,
                       const std::function<void()>& prepare, const std::string& output) {
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::prctl(PR_SET_PDEATHSIG, deathSignal);
    if (::getppid() != parent)
        ::_exit(1); // the test is already gone
    if (prepare)
        prepare();
    const int null = ::open("/dev/null", O_RDWR);
    const int out =
        output.empty() ? null : ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(out, 1);
    ::dup2(null, 2);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
}
