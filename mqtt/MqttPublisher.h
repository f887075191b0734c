// Publishes a bench's messages to the fleet's broker through libmosquitto, on a thread
// of its own, so that a broker that is slow, down or gone never holds up acquisition
// or a self-test: publish() only queues and returns. The queue is bounded (the newest
// status and readout, 64 messages in all); the thread connects,
// reconnects with a back-off of 1 s doubling to 8 s, and sends what is queued whenever
// it is connected, the newest status first after each connection. The broker keeps the
// status (retained) and, as the last will, says the program is offline when it dies.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "mqtt/BrokerAddress.h"

struct mosquitto;

namespace tqv::mqtt {

enum class Topic { Status, Readout, Selftest, Event };

class MqttPublisher {
public:
    static constexpr std::size_t QueueLimit = 64;

    // Starts the thread, which starts connecting at once. `willStatus` is the status the
    // broker publishes when the connection dies without a goodbye.
    MqttPublisher(BrokerAddress broker, std::string benchId, std::string willStatus);
    // Stops the thread; what was not sent by then is not sent.
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Any thread; never waits for the broker.
    void publish(Topic topic, std::string payload);
    // Waits until everything queued has reached the broker (acknowledged where it was sent
    // with QoS 1), at most `timeout`. True when it has.
    bool flush(std::chrono::milliseconds timeout);
    // Why the broker cannot be reached, while it cannot ("connection refused").
    std::string problem() const;
    // "tqv/<bench>/status".
    std::string topicName(Topic topic) const;
    std::string where() const;

private:
    struct Message {
        Topic topic = Topic::Event;
        std::string payload;
    };
    void run();
    bool isConnected() const;
    void connectOnce();
    void sendQueued();
    std::optional<Message> nextToSend();
    void failed(const std::string& why);
    static void onConnect(mosquitto* client, void* self, int result);
    static void onDisconnect(mosquitto* client, void* self, int result);
    static void onPublish(mosquitto* client, void* self, int messageId);

    const BrokerAddress m_broker;
    const std::string m_benchId;
    const std::string m_willStatus;

    // Guards everything below it; the thread waits on m_changed.
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    // Statuses (the newest only), self-test results and events, in the order published.
    std::deque<Message> m_messages;
    std::optional<std::string> m_readout;
    // The newest status, sent again after each new connection.
    std::string m_lastStatus;
    // Sent with QoS 1 and not yet acknowledged, by message id: sent again after a new
    // connection, so that a broker gone meanwhile loses nothing a flush waits for.
    std::map<int, Message> m_inFlight;
    bool m_connected = false;
    bool m_stopping = false;
    std::string m_problem;

    // The thread's own.
    mosquitto* m_client = nullptr;
    bool m_connecting = false;
    std::chrono::steady_clock::time_point m_nextAttempt{};
    std::chrono::steady_clock::time_point m_attemptStarted{};
    std::chrono::seconds m_backOff{1};
    bool m_resendStatus = false;

    std::thread m_thread;
};

}  // namespace tqv::mqtt
