// A small blocking queue between two pipeline threads. Its capacity bounds
// the memory a fast producer can pile up in front of a slow consumer.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace tevarro::media {

template <class T>
class BoundedQueue {
public:
    explicit BoundedQueue(std::size_t capacity) : capacity_(capacity) {}

    // Waits while the queue is full. False when the queue was aborted (the
    // item is dropped).
    bool Push(T item)
    {
        std::unique_lock lock(mutex_);
        notFull_.wait(lock, [this] { return aborted_ || items_.size() < capacity_; });
        if (aborted_)
            return false;
        items_.push_back(std::move(item));
        notEmpty_.notify_one();
        return true;
    }

    // Waits for an item. nullopt once the queue is closed and empty, or aborted.
    std::optional<T> Pop()
    {
        std::unique_lock lock(mutex_);
        notEmpty_.wait(lock, [this] { return aborted_ || closed_ || !items_.empty(); });
        if (aborted_ || items_.empty())
            return std::nullopt;
        T item = std::move(items_.front());
        items_.pop_front();
        notFull_.notify_one();
        return item;
    }

    // No more items will come; Pop drains what is left, then ends.
    void Close()
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        notEmpty_.notify_all();
    }

    // Wakes both sides and drops everything; used to stop a pipeline.
    void Abort()
    {
        std::lock_guard lock(mutex_);
        aborted_ = true;
        items_.clear();
        notEmpty_.notify_all();
        notFull_.notify_all();
    }

    bool Full() const
    {
        std::lock_guard lock(mutex_);
        return items_.size() >= capacity_;
    }

private:
    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable notEmpty_;
    std::condition_variable notFull_;
    std::deque<T> items_;
    bool closed_ = false;
    bool aborted_ = false;
};

}  // namespace tevarro::media
