// SPDX-License-Identifier: GPL-3.0-or-later
// A session manager of the test's own, speaking XSMP as a desktop's does.
// It prints its address (for SESSION_MANAGER) and lets clients register.
// "logout" on its standard input asks every client to save for a logout;
// once all have answered, it tells them the logout was cancelled. "die"
// tells every client that the session ends now, as a logout that goes
// through does. Every step is printed on a line of its own.
#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Client {
    SmsConn sms = nullptr;
    IceConn ice = nullptr;
    bool saving = false;
};
std::vector<Client> g_clients;

void say(const char* what) {
    std::printf("%s\n", what);
    std::fflush(stdout);
}

Client* clientOf(SmsConn conn) {
    for (Client& c : g_clients)
        if (c.sms == conn)
            return &c;
    return nullptr;
}

Status registerClient(SmsConn conn, SmPointer, char* previousId) {
    std::free(previousId);
    SmsRegisterClientReply(conn, SmsGenerateClientID(conn));
    say("registered");
    return 1;
}

void interactRequest(SmsConn conn, SmPointer, int) { SmsInteract(conn); }
void interactDone(SmsConn, SmPointer, Bool) {}
void saveYourselfRequest(SmsConn, SmPointer, int, Bool, int, Bool, Bool) {}
void saveYourselfPhase2Request(SmsConn conn, SmPointer) { SmsSaveYourselfPhase2(conn); }

void saveYourselfDone(SmsConn conn, SmPointer, Bool success) {
    say(success ? "saved" : "save failed");
    if (Client* c = clientOf(conn))
        c->saving = false;
    for (const Client& c : g_clients)
        if (c.saving)
            return;
    for (const Client& c : g_clients)
        if (c.sms)
            SmsShutdownCancelled(c.sms);
    say("cancelled");
}

void closeConnection(SmsConn conn, SmPointer, int count, char** reasons) {
    SmFreeReasons(count, reasons);
    if (Client* c = clientOf(conn)) {
        IceCloseConnection(c->ice);
        c->ice = nullptr;
        c->sms = nullptr; // a client gone is asked nothing more
        c->saving = false;
    }
    SmsCleanUp(conn);
    say("closed");
}

void setProperties(SmsConn, SmPointer, int count, SmProp** props) {
    for (int i = 0; i < count; ++i)
        SmFreeProperty(props[i]);
    std::free(props);
}

void deleteProperties(SmsConn, SmPointer, int count, char** names) {
    for (int i = 0; i < count; ++i)
        std::free(names[i]);
    std::free(names);
}

void getProperties(SmsConn conn, SmPointer) { SmsReturnProperties(conn, 0, nullptr); }

Status newClient(SmsConn conn, SmPointer, unsigned long* mask, SmsCallbacks* cb, char**) {
    *mask = SmsRegisterClientProcMask | SmsInteractRequestProcMask | SmsInteractDoneProcMask |
            SmsSaveYourselfRequestProcMask | SmsSaveYourselfP2RequestProcMask |
            SmsSaveYourselfDoneProcMask | SmsCloseConnectionProcMask | SmsSetPropertiesProcMask |
            SmsDeletePropertiesProcMask | SmsGetPropertiesProcMask;
    cb->register_client.callback = registerClient;
    cb->interact_request.callback = interactRequest;
    cb->interact_done.callback = interactDone;
    cb->save_yourself_request.callback = saveYourselfRequest;
    cb->save_yourself_phase2_request.callback = saveYourselfPhase2Request;
    cb->save_yourself_done.callback = saveYourselfDone;
    cb->close_connection.callback = closeConnection;
    cb->set_properties.callback = setProperties;
    cb->delete_properties.callback = deleteProperties;
    cb->get_properties.callback = getProperties;
    for (Client& c : g_clients)
        if (c.ice == SmsGetIceConnection(conn))
            c.sms = conn;
    return 1;
}

// Anyone on this machine may connect: the test's own manager has no secrets.
Bool anyHost(char*) { return True; }

} // namespace

int main() {
    char error[256];
    if (!SmsInitialize("qvb-test", "1.0", newClient, nullptr, anyHost, sizeof error, error)) {
        std::fprintf(stderr, "sessionmanager: %s\n", error);
        return 1;
    }
    int count = 0;
    IceListenObj* listeners = nullptr;
    if (!IceListenForConnections(&count, &listeners, sizeof error, error)) {
        std::fprintf(stderr, "sessionmanager: %s\n", error);
        return 1;
    }
    for (int i = 0; i < count; ++i)
        IceSetHostBasedAuthProc(listeners[i], anyHost);
    say(IceComposeNetworkIdList(count, listeners));

    std::string input;
    for (;;) {
        std::vector<pollfd> fds{{STDIN_FILENO, POLLIN, 0}};
        for (int i = 0; i < count; ++i)
            fds.push_back({IceGetListenConnectionNumber(listeners[i]), POLLIN, 0});
        for (const Client& c : g_clients)
            if (c.ice)
                fds.push_back({IceConnectionNumber(c.ice), POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0)
            continue;
        if (fds[0].revents & (POLLIN | POLLHUP)) {
            char buffer[64];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0)
                return 0; // the test is gone
            input.append(buffer, static_cast<std::size_t>(n));
            if (input.find("logout\n") != std::string::npos) {
                input.clear();
                for (Client& c : g_clients) {
                    if (!c.sms)
                        continue;
                    c.saving = true;
                    SmsSaveYourself(c.sms, SmSaveBoth, True, SmInteractStyleAny, False);
                }
                say("asked");
            } else if (input.find("die\n") != std::string::npos) {
                input.clear();
                for (Client& c : g_clients)
                    if (c.sms && c.ice)
                        SmsDie(c.sms);
                say("died");
            }
        }
        for (int i = 0; i < count; ++i) {
            if (!(fds[1 + i].revents & POLLIN))
                continue;
            IceAcceptStatus status;
            IceConn conn = IceAcceptConnection(listeners[i], &status);
            if (!conn)
                continue;
            g_clients.push_back({nullptr, conn, false});
            IceConnectStatus state;
            while ((state = IceConnectionStatus(conn)) == IceConnectPending)
                IceProcessMessages(conn, nullptr, nullptr);
            if (state != IceConnectAccepted) {
                IceCloseConnection(conn);
                g_clients.back().ice = nullptr;
            }
        }
        std::size_t k = 1 + static_cast<std::size_t>(count);
        for (std::size_t c = 0; c < g_clients.size(); ++c) {
            if (!g_clients[c].ice)
                continue;
            if (k < fds.size() && (fds[k].revents & (POLLIN | POLLHUP)) &&
                IceProcessMessages(g_clients[c].ice, nullptr, nullptr) ==
                    IceProcessMessagesIOError &&
                g_clients[c].ice) {
                IceCloseConnection(g_clients[c].ice);
                g_clients[c].ice = nullptr;
                g_clients[c].sms = nullptr;
                g_clients[c].saving = false;
            }
            ++k;
        }
    }
}
