#pragma once

#include <QByteArray>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

// A socket (AppSocket) printer on a thread of its own, as a label printer behaves: it takes a
// job until the sender shuts its side, then closes the connection. Its modes fail the way
// printers do: one resets the connection after the first bytes, one takes the job and never
// closes. Listens on 127.0.0.1 on a free port.
class SocketPrinter {
public:
    enum class Mode { Normal, ResetMidJob, Stall };
    static inline const QByteArray kNoJob = QByteArrayLiteral("<no job>");

    explicit SocketPrinter(Mode mode = Mode::Normal)
        : m_mode(mode)
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_listener, reinterpret_cast<sockaddr *>(&address), length);
        ::listen(m_listener, 4);
        ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { run(); });
    }
    ~SocketPrinter()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_listener);
    }
    SocketPrinter(const SocketPrinter &) = delete;
    SocketPrinter &operator=(const SocketPrinter &) = delete;

    quint16 port() const { return m_port; }

    // The bytes of the next job the printer took (a reset one: what came before the reset),
    // kNoJob when none came within timeoutMs.
    QByteArray nextJob(int timeoutMs)
    {
        std::unique_lock lock(m_mutex);
        if (!m_received.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [this] { return !m_jobs.empty(); }))
            return kNoJob;
        QByteArray job = m_jobs.front();
        m_jobs.pop_front();
        return job;
    }

private:
    bool readable(int fd)
    {
        pollfd ready{fd, POLLIN, 0};
        while (!m_stop) {
            if (::poll(&ready, 1, 20) > 0)
                return true;
        }
        return false;
    }

    void run()
    {
        while (readable(m_listener)) {
            const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection >= 0)
                serve(connection);
        }
    }

    void serve(int connection)
    {
        QByteArray job;
        char buffer[4096];
        while (readable(connection)) {
            const ssize_t read = ::recv(connection, buffer, sizeof buffer, 0);
            if (read <= 0)
                break;
            job.append(buffer, read);
            if (m_mode == Mode::ResetMidJob) {
                const linger reset{1, 0}; // closing now sends a reset instead of a close
                ::setsockopt(connection, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
                break;
            }
        }
        {
            const std::lock_guard lock(m_mutex);
            m_jobs.push_back(job);
        }
        m_received.notify_all();
        while (m_mode == Mode::Stall && !m_stop)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ::close(connection);
    }

    const Mode m_mode;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic_bool m_stop = false;
    std::mutex m_mutex;
    std::condition_variable m_received;
    std::deque<QByteArray> m_jobs;
    std::thread m_thread;
};
