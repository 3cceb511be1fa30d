#pragma once
// Owners for FFmpeg's objects, its error codes as exceptions with a reason,
// and the bounded queue that joins the converter's threads.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct CodecFree {
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
struct GraphFree {
    void operator()(AVFilterGraph* graph) const { avfilter_graph_free(&graph); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using GraphPtr = std::unique_ptr<AVFilterGraph, GraphFree>;

// A conversion that cannot go on, with its reason ("cannot write X: No space left on device").
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// FFmpeg's text for an error code.
std::string AvErrorText(int code);

// `code` when it is not an error; else throws "`doing`: reason".
int AvCheck(int code, const std::string& doing);

// Joins `source` to `sink` through the filters `description` ("scale=…,format=…")
// and readies the graph; throws "`failing` description: reason".
void ConnectFilters(AVFilterGraph& graph, AVFilterContext* source, AVFilterContext* sink, const std::string& description,
                    const std::string& failing);

using PacketSink = std::function<void(AVPacket*)>;

// Sends `frame` (null: the end) to `encoder` and hands every packet it makes
// to `sink`, in the encoder's time base; throws "`failing`: reason".
void EncodeInto(AVCodecContext& encoder, AVFrame* frame, AVPacket& packet, const std::string& failing, const PacketSink& sink);

// Allocations that fail are failures, not crashes.
FramePtr NewFrame();
PacketPtr NewPacket();

// A queue between two threads that holds at most `capacity` items: Push
// waits while it is full, Pop while it is empty. Once closed, Push drops
// its item and Pop gives what is left, then nothing. A thread that had to
// wait is woken once a quarter of the queue is ready for it, not at every
// item: two threads of a fast copy would otherwise wake each other for
// each packet, and spend more time in the kernel than copying.
template <typename T>
class BoundedQueue {
public:
    explicit BoundedQueue(std::size_t capacity) : capacity(capacity), batch(std::max<std::size_t>(1, capacity / 4)) {}

    // False when the queue was closed (the item is dropped).
    bool Push(T item)
    {
        std::unique_lock<std::mutex> hold(lock);
        if (items.size() >= capacity) {
            pushWaiting = true;
            notFull.wait(hold, [&] { return closed || items.size() + batch <= capacity; });
            pushWaiting = false;
        }
        if (closed) return false;
        items.push_back(std::move(item));
        if (popWaiting && items.size() >= batch) notEmpty.notify_one();
        return true;
    }

    // Nothing once the queue is closed and empty.
    std::optional<T> Pop()
    {
        std::unique_lock<std::mutex> hold(lock);
        if (items.empty()) {
            popWaiting = true;
            notEmpty.wait(hold, [&] { return closed || items.size() >= batch; });
            popWaiting = false;
        }
        if (items.empty()) return std::nullopt;
        T item = std::move(items.front());
        items.pop_front();
        if (pushWaiting && items.size() + batch <= capacity) notFull.notify_one();
        return item;
    }

    void Close()
    {
        const std::lock_guard<std::mutex> hold(lock);
        closed = true;
        notFull.notify_all();
        notEmpty.notify_all();
    }

private:
    const std::size_t capacity, batch;
    std::mutex lock;
    std::condition_variable notFull, notEmpty;
    std::deque<T> items;
    bool closed = false;
    bool pushWaiting = false, popWaiting = false;
};
