#include "mqtt/MqttPublisher.h"

#include <mosquitto.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace tqv::mqtt {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kKeepAliveSeconds = 10;
constexpr auto kMostBackOff = std::chrono::seconds(8);
constexpr auto kConnectTimeout = std::chrono::seconds(10);
constexpr int kLoopMilliseconds = 50;
constexpr std::size_t kMostInFlight = 20;

int qualityOf(Topic topic) { return topic == Topic::Readout ? 0 : 1; }

std::string failureText(int result) {
    if (result == MOSQ_ERR_ERRNO) return std::strerror(errno);
    return mosquitto_strerror(result);
}

}  // namespace

MqttPublisher::MqttPublisher(BrokerAddress broker, std::string benchId, std::string willStatus)
    : m_broker(std::move(broker)),
      m_benchId(std::move(benchId)),
      m_willStatus(std::move(willStatus)) {
    static const int initialised = mosquitto_lib_init();
    (void)initialised;
    m_problem = "not connected yet";
    m_thread = std::thread([this] { run(); });
}

MqttPublisher::~MqttPublisher() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

std::string MqttPublisher::topicName(Topic topic) const {
    const char* leaf = "event";
    switch (topic) {
        case Topic::Status:
            leaf = "status";
            break;
        case Topic::Readout:
            leaf = "readout";
            break;
        case Topic::Selftest:
            leaf = "selftest";
            break;
        case Topic::Event:
            leaf = "event";
            break;
    }
    return "tqv/" + m_benchId + "/" + leaf;
}

std::string MqttPublisher::where() const {
    return "mqtt://" + m_broker.host + ":" + std::to_string(m_broker.port);
}

void MqttPublisher::publish(Topic topic, std::string payload) {
    {
        const std::lock_guard lock(m_mutex);
        if (topic == Topic::Readout) {
            m_readout = std::move(payload);
        } else {
            // Only the newest status matters; it keeps its place among the events.
            if (topic == Topic::Status) {
                m_lastStatus = payload;
                std::erase_if(m_messages,
                              [](const Message& m) { return m.topic == Topic::Status; });
            }
            // A broker away for long loses the oldest events, never the program's memory.
            if (m_messages.size() >= QueueLimit) m_messages.pop_front();
            m_messages.push_back({topic, std::move(payload)});
        }
    }
    m_changed.notify_all();
}

bool MqttPublisher::flush(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] {
        return m_connected && !m_readout && m_messages.empty() && m_inFlight.empty();
    });
}

bool MqttPublisher::isConnected() const {
    const std::lock_guard lock(m_mutex);
    return m_connected;
}

std::string MqttPublisher::problem() const {
    const std::lock_guard lock(m_mutex);
    return m_problem;
}

void MqttPublisher::run() {
    while (true) {
        {
            std::unique_lock lock(m_mutex);
            if (m_stopping) break;
            if (!m_connected && !m_connecting && Clock::now() < m_nextAttempt) {
                m_changed.wait_until(lock, m_nextAttempt, [this] { return m_stopping; });
                continue;
            }
        }
        if (m_client == nullptr) {
            connectOnce();
            continue;
        }
        bool connected = isConnected();
        if (!connected && !m_connecting) {
            failed("the broker closed the connection");
            continue;
        }
        const int result = mosquitto_loop(m_client, kLoopMilliseconds, 1);
        if (result != MOSQ_ERR_SUCCESS) {
            failed(failureText(result));
            continue;
        }
        connected = isConnected();
        if (!connected && Clock::now() - m_attemptStarted > kConnectTimeout) {
            failed("no answer from the broker within 10 s");
            continue;
        }
        if (connected) sendQueued();
    }
    if (m_client != nullptr) {
        // A goodbye, so that the broker keeps the last status sent rather than the will.
        if (isConnected()) {
            mosquitto_disconnect(m_client);
            for (int i = 0; i < 10 && mosquitto_loop(m_client, 10, 1) == MOSQ_ERR_SUCCESS; ++i) {
            }
        }
        mosquitto_destroy(m_client);
        m_client = nullptr;
    }
}

void MqttPublisher::connectOnce() {
    if (m_client != nullptr) mosquitto_destroy(m_client);
    const std::string id = "tqv-" + m_benchId + "-" + std::to_string(::getpid());
    m_client = mosquitto_new(id.c_str(), true, this);
    if (m_client == nullptr) {
        failed("libmosquitto could not make a client");
        return;
    }
    mosquitto_connect_callback_set(m_client, &MqttPublisher::onConnect);
    mosquitto_disconnect_callback_set(m_client, &MqttPublisher::onDisconnect);
    mosquitto_publish_callback_set(m_client, &MqttPublisher::onPublish);
    const std::string statusTopic = topicName(Topic::Status);
    mosquitto_will_set(m_client, statusTopic.c_str(), static_cast<int>(m_willStatus.size()),
                       m_willStatus.data(), 1, true);
    m_attemptStarted = Clock::now();
    const int result =
        mosquitto_connect_async(m_client, m_broker.host.c_str(), m_broker.port, kKeepAliveSeconds);
    if (result != MOSQ_ERR_SUCCESS) {
        failed(failureText(result));
        return;
    }
    m_connecting = true;
}

std::optional<MqttPublisher::Message> MqttPublisher::nextToSend() {
    const std::lock_guard lock(m_mutex);
    if (m_inFlight.size() >= kMostInFlight) return std::nullopt;
    if (m_resendStatus && !m_lastStatus.empty() &&
        std::none_of(m_messages.begin(), m_messages.end(),
                     [](const Message& m) { return m.topic == Topic::Status; })) {
        // A broker that restarted forgot the retained status: it comes first again.
        m_messages.push_front({Topic::Status, m_lastStatus});
    }
    m_resendStatus = false;
    if (!m_messages.empty()) {
        Message message = std::move(m_messages.front());
        m_messages.pop_front();
        return message;
    }
    if (m_readout) return Message{Topic::Readout, *std::exchange(m_readout, std::nullopt)};
    return std::nullopt;
}

void MqttPublisher::sendQueued() {
    while (auto message = nextToSend()) {
        const std::string topic = topicName(message->topic);
        int id = 0;
        const int quality = qualityOf(message->topic);
        const int result = mosquitto_publish(
            m_client, &id, topic.c_str(), static_cast<int>(message->payload.size()),
            message->payload.data(), quality, message->topic == Topic::Status);
        {
            const std::lock_guard lock(m_mutex);
            if (result != MOSQ_ERR_SUCCESS) {
                // Back at the front, for the next connection.
                if (message->topic != Topic::Readout) m_messages.push_front(std::move(*message));
            } else if (quality > 0) {
                m_inFlight.emplace(id, std::move(*message));
            }
        }
        if (result != MOSQ_ERR_SUCCESS) {
            failed(failureText(result));
            return;
        }
        m_changed.notify_all();
    }
}

void MqttPublisher::failed(const std::string& why) {
    {
        const std::lock_guard lock(m_mutex);
        m_connected = false;
        m_problem = why;
        // What the broker never acknowledged goes again, oldest first.
        for (auto it = m_inFlight.rbegin(); it != m_inFlight.rend(); ++it) {
            // A status since replaced by a newer one is not worth sending.
            const bool stale =
                it->second.topic == Topic::Status && it->second.payload != m_lastStatus;
            if (!stale) m_messages.push_front(std::move(it->second));
        }
        m_inFlight.clear();
        m_nextAttempt = Clock::now() + m_backOff;
        m_backOff = std::min<std::chrono::seconds>(m_backOff * 2, kMostBackOff);
    }
    m_connecting = false;
    if (m_client != nullptr) {
        mosquitto_destroy(m_client);
        m_client = nullptr;
    }
    m_changed.notify_all();
}

void MqttPublisher::onConnect(mosquitto*, void* self, int result) {
    auto* publisher = static_cast<MqttPublisher*>(self);
    if (result != 0) {
        const std::lock_guard lock(publisher->m_mutex);
        publisher->m_problem = mosquitto_connack_string(result);
        return;  // the broker closes the connection; the loop then reports it
    }
    {
        const std::lock_guard lock(publisher->m_mutex);
        publisher->m_connected = true;
        publisher->m_problem.clear();
        publisher->m_backOff = std::chrono::seconds(1);
        publisher->m_resendStatus = true;
    }
    publisher->m_connecting = false;
    publisher->m_changed.notify_all();
}

void MqttPublisher::onDisconnect(mosquitto*, void* self, int) {
    auto* publisher = static_cast<MqttPublisher*>(self);
    const std::lock_guard lock(publisher->m_mutex);
    publisher->m_connected = false;
}

void MqttPublisher::onPublish(mosquitto*, void* self, int messageId) {
    auto* publisher = static_cast<MqttPublisher*>(self);
    {
        const std::lock_guard lock(publisher->m_mutex);
        publisher->m_inFlight.erase(messageId);
    }
    publisher->m_changed.notify_all();
}

}  // namespace tqv::mqtt
