#include "clavenor/framework/CMessageQueue.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <exception>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace clavenor {

namespace {

using Clock = std::chrono::steady_clock;

// A message sent from another thread: the sender waits until `done`.
struct PendingSend {
    bool done = false;
    LRESULT result = 0;
    std::exception_ptr error; // what a task run for the sender threw
};

// A window message, or a function to run (`task` set, no window).
struct Message {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::shared_ptr<PendingSend> send;
    std::function<void()> task;
    const void* owner = nullptr; // what the message works for, if anyone
};

struct Window {
    WNDPROC procedure;
    std::string className;
};

struct Timer {
    HWND window;
    UINT_PTR id;
    Clock::time_point due;
};

class Queue {
public:
    static Queue& Instance() {
        // Never destroyed: windows live until the process ends, and other threads may still
        // be blocked in a send while static destructors run.
        static Queue* queue = new Queue;
        return *queue;
    }

    HWND Create(const char* className, WNDPROC procedure) {
        std::lock_guard lock(m_mutex);
        if (!m_hasOwner) {
            m_owner = std::this_thread::get_id();
            m_hasOwner = true;
        }
        HWND window = reinterpret_cast<HWND>(++m_lastHandle);
        m_windows.emplace(window, Window{procedure, className != nullptr ? className : ""});
        return window;
    }

    bool Destroy(HWND window) {
        std::lock_guard lock(m_mutex);
        if (m_windows.erase(window) == 0) {
            return false;
        }
        std::erase_if(m_timers, [window](const Timer& t) { return t.window == window; });
        if (m_mainWindow == window) {
            m_mainWindow = nullptr;
        }
        if (m_focusWindow == window) {
            m_focusWindow = nullptr;
        }
        return true;
    }

    bool Exists(HWND window) {
        std::lock_guard lock(m_mutex);
        return m_windows.count(window) != 0;
    }

    bool IsOwner() {
        std::lock_guard lock(m_mutex);
        return !m_hasOwner || m_owner == std::this_thread::get_id();
    }

    LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, const void* owner) {
        std::unique_lock lock(m_mutex);
        auto it = m_windows.find(window);
        if (it == m_windows.end()) {
            return 0;
        }
        if (m_owner == std::this_thread::get_id()) {
            WNDPROC procedure = it->second.procedure;
            lock.unlock();
            return procedure(window, message, wParam, lParam);
        }
        auto pending = std::make_shared<PendingSend>();
        m_messages.push_back(Message{window, message, wParam, lParam, pending, nullptr, owner});
        m_arrived.notify_all();
        m_sendDone.wait(lock, [&] { return pending->done; });
        return pending->result;
    }

    bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, const void* owner) {
        std::lock_guard lock(m_mutex);
        if (m_windows.count(window) == 0) {
            return false;
        }
        m_messages.push_back(Message{window, message, wParam, lParam, nullptr, nullptr, owner});
        m_arrived.notify_all();
        return true;
    }

    void Run(std::function<void()> task) {
        std::unique_lock lock(m_mutex);
        if (!m_hasOwner || m_owner == std::this_thread::get_id()) {
            lock.unlock();
            task();
            return;
        }
        auto pending = std::make_shared<PendingSend>();
        m_messages.push_back(Message{nullptr, 0, 0, 0, pending, std::move(task), nullptr});
        m_arrived.notify_all();
        m_sendDone.wait(lock, [&] { return pending->done; });
        if (pending->error) {
            std::rethrow_exception(pending->error);
        }
    }

    void PostTask(std::function<void()> task) {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(Message{nullptr, 0, 0, 0, nullptr, std::move(task), nullptr});
        m_arrived.notify_all();
    }

    UINT_PTR StartTimer(HWND window, UINT_PTR id, UINT elapseMs) {
        std::lock_guard lock(m_mutex);
        if (id == 0 || m_windows.count(window) == 0) {
            return 0;
        }
        const Clock::time_point due = Clock::now() + std::chrono::milliseconds(elapseMs);
        for (Timer& t : m_timers) {
            if (t.window == window && t.id == id) {
                t.due = due;
                m_arrived.notify_all();
                return id;
            }
        }
        m_timers.push_back(Timer{window, id, due});
        m_arrived.notify_all();
        return id;
    }

    bool StopTimer(HWND window, UINT_PTR id) {
        std::lock_guard lock(m_mutex);
        return std::erase_if(m_timers,
                             [&](const Timer& t) { return t.window == window && t.id == id; }) != 0;
    }

    void SetMain(HWND window) {
        std::lock_guard lock(m_mutex);
        m_mainWindow = window;
    }
    HWND GetMain() {
        std::lock_guard lock(m_mutex);
        return m_mainWindow;
    }
    void SetFocus(HWND window) {
        std::lock_guard lock(m_mutex);
        m_focusWindow = window;
    }
    HWND GetFocus() {
        std::lock_guard lock(m_mutex);
        return m_focusWindow;
    }

    std::size_t Queued() {
        std::lock_guard lock(m_mutex);
        return m_messages.size();
    }

    std::size_t QueuedFor(const void* owner) {
        std::lock_guard lock(m_mutex);
        return static_cast<std::size_t>(
            std::count_if(m_messages.begin(), m_messages.end(),
                          [owner](const Message& m) { return m.owner == owner; }));
    }

    // One message at a time, the earliest queued for `owner` first, so that the others keep
    // their places and nothing needs memory.
    int PumpFor(const void* owner) {
        int ran = 0;
        for (;;) {
            Message m;
            {
                std::lock_guard lock(m_mutex);
                if (!m_hasOwner || m_owner != std::this_thread::get_id()) {
                    return ran;
                }
                auto it = std::find_if(m_messages.begin(), m_messages.end(),
                                       [owner](const Message& q) { return q.owner == owner; });
                if (it == m_messages.end()) {
                    return ran;
                }
                m = std::move(*it);
                m_messages.erase(it);
            }
            LRESULT result = 0;
            try {
                result = Deliver(m.window, m.message, m.wParam, m.lParam);
            } catch (...) {
                // The sender must not wait for ever.
                std::lock_guard lock(m_mutex);
                Complete(m, 0);
                throw;
            }
            {
                std::lock_guard lock(m_mutex);
                Complete(m, result);
            }
            ++ran;
        }
    }

    int Pump() {
        std::deque<Message> messages;
        Clock::time_point started;
        {
            std::lock_guard lock(m_mutex);
            if (!m_hasOwner || m_owner != std::this_thread::get_id()) {
                return 0;
            }
            messages.swap(m_messages);
            started = Clock::now();
        }
        int ran = 0;
        while (!messages.empty()) {
            Message m = std::move(messages.front());
            messages.pop_front();
            LRESULT result = 0;
            try {
                if (m.task) {
                    m.task();
                } else {
                    result = Deliver(m.window, m.message, m.wParam, m.lParam);
                }
            } catch (...) {
                if (m.task && m.send != nullptr) {
                    // The thread that handed the task over gets its exception.
                    std::lock_guard lock(m_mutex);
                    m.send->error = std::current_exception();
                    Complete(m, 0);
                    ++ran;
                    continue;
                }
                // The sender must not wait for ever, and what has not run yet stays queued,
                // ahead of anything that arrived meanwhile.
                std::lock_guard lock(m_mutex);
                Complete(m, 0);
                m_messages.insert(m_messages.begin(), std::make_move_iterator(messages.begin()),
                                  std::make_move_iterator(messages.end()));
                throw;
            }
            {
                std::lock_guard lock(m_mutex);
                Complete(m, result);
            }
            ++ran;
        }
        // A timer runs only if it is still due when its turn comes: a handler that ran
        // before it may have killed or restarted it.
        for (;;) {
            Timer due{};
            {
                std::lock_guard lock(m_mutex);
                auto it = std::find_if(m_timers.begin(), m_timers.end(),
                                       [started](const Timer& t) { return t.due <= started; });
                if (it == m_timers.end()) {
                    break;
                }
                due = *it;
                m_timers.erase(it);
            }
            Deliver(due.window, WM_TIMER, due.id, 0);
            ++ran;
        }
        return ran;
    }

    int WaitAndPump(std::chrono::milliseconds maxWait) {
        {
            std::unique_lock lock(m_mutex);
            if (!m_hasOwner || m_owner != std::this_thread::get_id()) {
                return 0;
            }
            const Clock::time_point deadline = Clock::now() + maxWait;
            while (m_messages.empty()) {
                Clock::time_point wake = deadline;
                for (const Timer& t : m_timers) {
                    wake = std::min(wake, t.due);
                }
                if (Clock::now() >= wake) {
                    break;
                }
                m_arrived.wait_until(lock, wake);
            }
        }
        return Pump();
    }

private:
    // Called with the lock held.
    void Complete(Message& m, LRESULT result) {
        if (m.send != nullptr) {
            m.send->result = result;
            m.send->done = true;
            m_sendDone.notify_all();
        }
    }

    LRESULT Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        WNDPROC procedure = nullptr;
        {
            std::lock_guard lock(m_mutex);
            auto it = m_windows.find(window);
            if (it == m_windows.end()) {
                return 0;
            }
            procedure = it->second.procedure;
        }
        return procedure(window, message, wParam, lParam);
    }

    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::condition_variable m_sendDone;
    bool m_hasOwner = false;
    std::thread::id m_owner;
    std::uintptr_t m_lastHandle = 0;
    std::map<HWND, Window> m_windows;
    std::deque<Message> m_messages;
    std::vector<Timer> m_timers;
    HWND m_mainWindow = nullptr;
    HWND m_focusWindow = nullptr;
};

} // namespace

HWND CMessageQueue::CreateHiddenWindow(const char* className, WNDPROC procedure) {
    if (procedure == nullptr) {
        return nullptr;
    }
    return Queue::Instance().Create(className, procedure);
}

bool CMessageQueue::DestroyWindow(HWND window) { return Queue::Instance().Destroy(window); }

bool CMessageQueue::IsWindow(HWND window) { return Queue::Instance().Exists(window); }

LRESULT CMessageQueue::SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   const void* owner) {
    return Queue::Instance().Send(window, message, wParam, lParam, owner);
}

bool CMessageQueue::PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                const void* owner) {
    return Queue::Instance().Post(window, message, wParam, lParam, owner);
}

UINT_PTR CMessageQueue::SetTimer(HWND window, UINT_PTR id, UINT elapseMs) {
    return Queue::Instance().StartTimer(window, id, elapseMs);
}

bool CMessageQueue::KillTimer(HWND window, UINT_PTR id) {
    return Queue::Instance().StopTimer(window, id);
}

LRESULT CMessageQueue::DefWindowProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

void CMessageQueue::SetMainWindow(HWND window) { Queue::Instance().SetMain(window); }

HWND CMessageQueue::GetMainWindow() { return Queue::Instance().GetMain(); }

void CMessageQueue::SetFocusWindow(HWND window) { Queue::Instance().SetFocus(window); }

HWND CMessageQueue::GetFocusWindow() { return Queue::Instance().GetFocus(); }

bool CMessageQueue::IsOwnerThread() { return Queue::Instance().IsOwner(); }

int CMessageQueue::PumpMessages() { return Queue::Instance().Pump(); }

int CMessageQueue::WaitAndPumpMessages(std::chrono::milliseconds maxWait) {
    return Queue::Instance().WaitAndPump(
        std::clamp(maxWait, std::chrono::milliseconds(0), MaxWait));
}

int CMessageQueue::PumpMessagesFor(const void* owner) {
    return owner != nullptr ? Queue::Instance().PumpFor(owner) : 0;
}

std::size_t CMessageQueue::GetQueuedCount() { return Queue::Instance().Queued(); }

std::size_t CMessageQueue::GetQueuedCount(const void* owner) {
    return owner != nullptr ? Queue::Instance().QueuedFor(owner) : 0;
}

void CMessageQueue::RunOnOwnerThread(std::function<void()> task) {
    Queue::Instance().Run(std::move(task));
}

void CMessageQueue::PostToOwnerThread(std::function<void()> task) {
    Queue::Instance().PostTask(std::move(task));
}

void CMessageQueue::RequireOwnerThread([[maybe_unused]] const char* what) {
#ifndef NDEBUG
    if (!IsOwnerThread()) {
        std::fprintf(stderr,
                     "clavenor: %s called on a thread other than the one that owns the "
                     "documents; hand the work over with RunOnOwnerThread\n",
                     what);
        std::abort();
    }
#endif
}

} // namespace clavenor
