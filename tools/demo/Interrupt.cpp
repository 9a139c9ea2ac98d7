#include "Interrupt.h"

#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace qxdemo {

namespace {

volatile sig_atomic_t g_child = 0;
// The message is made outside the handler; the handler only writes it.
char g_message[96] = "\nqxscsi-demo: interrupted; the story stops here\n";
volatile sig_atomic_t g_messageLength = 0;

void onInterrupt(int) {
    const pid_t child = g_child;
    if (child > 0) {
        kill(child, SIGKILL);
    }
    const ssize_t ignored = write(STDOUT_FILENO, g_message, g_messageLength);
    (void)ignored;
    signal(SIGINT, SIG_DFL);
    raise(SIGINT);
}

sigset_t interruptOnly() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    return set;
}

}  // namespace

void installInterruptHandler() {
    g_messageLength = static_cast<sig_atomic_t>(std::strlen(g_message));
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = &onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

void setInterruptedStep(int step) {
    const sigset_t set = interruptOnly();
    sigset_t old;
    sigprocmask(SIG_BLOCK, &set, &old);
    const int length =
        std::snprintf(g_message, sizeof g_message,
                      "\nqxscsi-demo: interrupted in step %d; the story stops here\n", step);
    g_messageLength = length > 0 ? length : 0;
    sigprocmask(SIG_SETMASK, &old, nullptr);
}

pid_t spawnWatchedChild(const char* path, char* const argv[], int output, int& error) {
    const sigset_t set = interruptOnly();
    sigset_t old;
    sigprocmask(SIG_BLOCK, &set, &old);
    // Everything the child needs is made here: posix_spawn allocates nothing in the child.
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output, STDERR_FILENO);
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setsigmask(&attributes, &old);
    posix_spawnattr_setsigdefault(&attributes, &set);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    error = posix_spawn(&pid, path, &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        pid = -1;
    } else {
        g_child = pid;
    }
    sigprocmask(SIG_SETMASK, &old, nullptr);
    return pid;
}

void forgetChild() {
    g_child = 0;
}

}  // namespace qxdemo
