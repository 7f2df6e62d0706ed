// SPDX-License-Identifier: MIT
// The announcement of what zarvo serve serves, through the avahi client library on a thread
// of its own (avahi's threaded poll), or the sentence that says why there is none.
#include "tools/servers/vxi11/announce.h"

#include <iostream>
#include <string>

#include "tools/servers/listen.h"
#include "tools/servers/scpi/device.h"

#ifdef ZARVO_HAVE_AVAHI
#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/thread-watch.h>
#endif

namespace zarvo::vxi11 {

namespace {

constexpr const char* kNotAnnounced = "zarvo serve: not announced on the network: ";

// Zarvo,<model>,<serial>,<version> cut at its commas.
struct Identity {
    std::string maker, model, serial, version;
};

Identity Split(const std::string& idn) {
    Identity id;
    std::string* parts[] = {&id.maker, &id.model, &id.serial, &id.version};
    std::size_t i = 0;
    for (char c : idn) {
        if (c == ',' && i < 3) {
            ++i;
        } else {
            *parts[i] += c;
        }
    }
    return id;
}

#ifdef ZARVO_HAVE_AVAHI

class AvahiAnnouncement final : public Announcement {
public:
    AvahiAnnouncement(const Identity& id, std::uint16_t vxi11Port, std::uint16_t rawPort)
        : id_(id), vxi11Port_(vxi11Port), rawPort_(rawPort) {
        first_ = id.maker + " " + id.model + " " + id.serial;
        name_ = avahi_strdup(first_.c_str());
    }

    ~AvahiAnnouncement() override {
        if (poll_ != nullptr) avahi_threaded_poll_stop(poll_);
        if (client_ != nullptr) avahi_client_free(client_);
        if (poll_ != nullptr) avahi_threaded_poll_free(poll_);
        avahi_free(name_);
    }

    // False, with the reason, when no daemon answers.
    bool Start(std::string& why) {
        poll_ = avahi_threaded_poll_new();
        if (poll_ == nullptr) {
            why = "avahi could not start its thread";
            return false;
        }
        int error = 0;
        client_ = avahi_client_new(avahi_threaded_poll_get(poll_), AvahiClientFlags(0),
                                   &AvahiAnnouncement::OnClient, this, &error);
        if (client_ == nullptr) {
            why = std::string("no avahi daemon answers (") + avahi_strerror(error) +
                  "); install and start one (apt-get install avahi-daemon)";
            return false;
        }
        if (avahi_threaded_poll_start(poll_) < 0) {
            why = "avahi could not start its thread";
            return false;
        }
        return true;
    }

    // The name asked for (avahi's thread renames it if another instrument has it).
    const std::string& Name() const { return first_; }

private:
    static void OnClient(AvahiClient* client, AvahiClientState state, void* self) {
        auto* a = static_cast<AvahiAnnouncement*>(self);
        if (state == AVAHI_CLIENT_S_RUNNING) a->Publish(client);
        if (state == AVAHI_CLIENT_S_COLLISION && a->group_ != nullptr) {
            avahi_entry_group_reset(a->group_);
        }
    }

    static void OnGroup(AvahiEntryGroup* group, AvahiEntryGroupState state, void* self) {
        if (state != AVAHI_ENTRY_GROUP_COLLISION) return;
        // Another instrument took the name: the next one ("... #2").
        auto* a = static_cast<AvahiAnnouncement*>(self);
        char* next = avahi_alternative_service_name(a->name_);
        avahi_free(a->name_);
        a->name_ = next;
        avahi_entry_group_reset(group);
        a->Publish(avahi_entry_group_get_client(group));
    }

    void Publish(AvahiClient* client) {
        if (group_ == nullptr)
            group_ = avahi_entry_group_new(client, &AvahiAnnouncement::OnGroup, this);
        if (group_ == nullptr || !avahi_entry_group_is_empty(group_)) return;
        const std::string maker = "Manufacturer=" + id_.maker;
        const std::string model = "Model=" + id_.model;
        const std::string serial = "SerialNumber=" + id_.serial;
        const std::string version = "FirmwareVersion=" + id_.version;
        auto add = [&](const char* type, std::uint16_t port) {
            if (port == 0) return;
            avahi_entry_group_add_service(group_, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
                                          AvahiPublishFlags(0), name_, type, nullptr, nullptr, port,
                                          maker.c_str(), model.c_str(), serial.c_str(),
                                          version.c_str(), static_cast<char*>(nullptr));
        };
        add("_vxi-11._tcp", vxi11Port_);
        add("_scpi-raw._tcp", rawPort_);
        avahi_entry_group_commit(group_);
    }

    Identity id_;
    std::string first_;
    std::uint16_t vxi11Port_;
    std::uint16_t rawPort_;
    char* name_ = nullptr;
    AvahiThreadedPoll* poll_ = nullptr;
    AvahiClient* client_ = nullptr;
    AvahiEntryGroup* group_ = nullptr;
};

#endif

}  // namespace

std::unique_ptr<Announcement> Announce(const scpi::ServeContext& context, std::uint16_t vxi11Port) {
    if (servers::IsLoopback(context.options.bind)) return nullptr;
#ifdef ZARVO_HAVE_AVAHI
    const Identity id = Split(context.device.Identification());
    auto a = std::make_unique<AvahiAnnouncement>(id, vxi11Port,
                                                 static_cast<std::uint16_t>(context.rawPort));
    std::string why;
    if (!a->Start(why)) {
        std::cerr << kNotAnnounced << why << '\n';
        return nullptr;
    }
    std::cerr << "zarvo serve: announced on the network as \"" << a->Name() << "\" ("
              << (vxi11Port != 0 ? "_vxi-11._tcp and " : "") << "_scpi-raw._tcp)\n";
    return a;
#else
    (void)vxi11Port;
    (void)Split;
    std::cerr << kNotAnnounced
              << "announcing is not built in (build with libavahi-client-dev installed)\n";
    return nullptr;
#endif
}

}  // namespace zarvo::vxi11
