// The advertisement through Avahi's client library, on the program's loop.
#include <arpa/inet.h>
#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstring>

#include "avahi_loop_poll.h"
#include "service_advertisement.h"

namespace tavik::net {

namespace {

// The interface that has the address; any for 0.0.0.0 or an address none has.
AvahiIfIndex InterfaceOf(const std::array<uint8_t, 4>& address) {
    if (address == std::array<uint8_t, 4>{0, 0, 0, 0}) return AVAHI_IF_UNSPEC;
    ifaddrs* all = nullptr;
    if (getifaddrs(&all) != 0) return AVAHI_IF_UNSPEC;
    AvahiIfIndex found = AVAHI_IF_UNSPEC;
    for (const ifaddrs* a = all; a && found == AVAHI_IF_UNSPEC; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        if (std::memcmp(&in->sin_addr.s_addr, address.data(), 4) == 0)
            found = static_cast<AvahiIfIndex>(if_nametoindex(a->ifa_name));
    }
    freeifaddrs(all);
    return found == 0 ? AVAHI_IF_UNSPEC : found;
}

class TAvahiAdvertiser : public TServiceAdvertiser {
public:
    TAvahiAdvertiser(TEventLoop& loop, TAdvertisement advertisement, std::function<void(const std::string&)> notice)
        : Poll_(loop), What_(std::move(advertisement)), Notice_(std::move(notice)),
          Interface_(InterfaceOf(What_.Address)) {
        for (const std::string& entry : What_.Txt) Txt_ = avahi_string_list_add(Txt_, entry.c_str());
        Connect();
    }

    ~TAvahiAdvertiser() override {
        // Freeing the client withdraws its services: the daemon sends their
        // goodbyes.
        if (Client_) avahi_client_free(Client_);
        avahi_string_list_free(Txt_);
    }

private:
    // NO_FAIL: a daemon that is not running, or goes, is waited for.
    void Connect() {
        int error = 0;
        Group_ = nullptr;
        Client_ = avahi_client_new(Poll_.Api(), AVAHI_CLIENT_NO_FAIL, ClientChanged, this, &error);
        if (!Client_) NotAdvertised(error);
    }

    static void ClientChanged(AvahiClient* client, AvahiClientState state, void* self) {
        static_cast<TAvahiAdvertiser*>(self)->ClientChanged(client, state);
    }

    // Called during avahi_client_new too, before Client_ is set: client is
    // the one to use.
    void ClientChanged(AvahiClient* client, AvahiClientState state) {
        switch (state) {
        case AVAHI_CLIENT_S_RUNNING: Register(client); break;
        case AVAHI_CLIENT_S_COLLISION:
        case AVAHI_CLIENT_S_REGISTERING:
            // The host's own name is being settled: register once it runs.
            if (Group_) avahi_entry_group_reset(Group_);
            break;
        case AVAHI_CLIENT_CONNECTING: Tell("not advertised yet: waiting for the Avahi daemon"); break;
        case AVAHI_CLIENT_FAILURE:
            if (avahi_client_errno(client) == AVAHI_ERR_DISCONNECTED) {
                Tell("the Avahi daemon went away; waiting for it again");
                Poll_.Loop().Post([this, alive = std::weak_ptr<int>(Alive_)] {
                    if (alive.expired()) return;
                    avahi_client_free(Client_);
                    Connect();
                });
            } else {
                NotAdvertised(avahi_client_errno(client));
            }
            break;
        }
    }

    static void GroupChanged(AvahiEntryGroup* group, AvahiEntryGroupState state, void* self) {
        static_cast<TAvahiAdvertiser*>(self)->GroupChanged(group, state);
    }

    void GroupChanged(AvahiEntryGroup* group, AvahiEntryGroupState state) {
        switch (state) {
        case AVAHI_ENTRY_GROUP_ESTABLISHED: {
            std::string types;
            for (const TAdvertisedService& service : What_.Services)
                types += (types.empty() ? "" : ", ") + service.Type + " port " + std::to_string(service.Port);
            Tell("advertised over mDNS as \"" + What_.Name + "\" (" + types + ")");
            break;
        }
        case AVAHI_ENTRY_GROUP_COLLISION: {
            Rename("another host uses the name");
            Register(avahi_entry_group_get_client(group));
            break;
        }
        case AVAHI_ENTRY_GROUP_FAILURE:
            NotAdvertised(avahi_client_errno(avahi_entry_group_get_client(group)));
            break;
        case AVAHI_ENTRY_GROUP_UNCOMMITED:
        case AVAHI_ENTRY_GROUP_REGISTERING: break;
        }
    }

    void Rename(const char* why) {
        char* next = avahi_alternative_service_name(What_.Name.c_str());
        Tell(std::string(why) + " \"" + What_.Name + "\": advertising as \"" + next + "\"");
        What_.Name = next;
        avahi_free(next);
    }

    void Register(AvahiClient* client) {
        if (!Group_) Group_ = avahi_entry_group_new(client, GroupChanged, this);
        if (!Group_) {
            NotAdvertised(avahi_client_errno(client));
            return;
        }
        avahi_entry_group_reset(Group_);
        for (const TAdvertisedService& service : What_.Services) {
            int error = avahi_entry_group_add_service_strlst(Group_, Interface_, AVAHI_PROTO_INET, AvahiPublishFlags{},
                                                             What_.Name.c_str(), service.Type.c_str(), nullptr,
                                                             nullptr, service.Port, Txt_);
            if (error == AVAHI_ERR_COLLISION) {
                // A service of ours by that name: pick the next and start over.
                Rename("a local service uses the name");
                Register(client);
                return;
            }
            if (error < 0) {
                NotAdvertised(error);
                return;
            }
        }
        if (const int error = avahi_entry_group_commit(Group_); error < 0)
            NotAdvertised(error);
    }

    void NotAdvertised(int error) { Tell(std::string("not advertised: ") + avahi_strerror(error)); }

    void Tell(const std::string& text) {
        if (Notice_) Notice_(text);
    }

    TAvahiLoopPoll Poll_;
    TAdvertisement What_;
    std::function<void(const std::string&)> Notice_;
    AvahiIfIndex Interface_;
    AvahiStringList* Txt_ = nullptr;
    AvahiClient* Client_ = nullptr;
    AvahiEntryGroup* Group_ = nullptr;  // the client's: freed with it
    std::shared_ptr<int> Alive_ = std::make_shared<int>(0);
};

}  // namespace

std::unique_ptr<TServiceAdvertiser> Advertise(TEventLoop& loop, TAdvertisement advertisement,
                                              std::function<void(const std::string&)> notice) {
    return std::make_unique<TAvahiAdvertiser>(loop, std::move(advertisement), std::move(notice));
}

}  // namespace tavik::net
