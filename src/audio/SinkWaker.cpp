#include "audio/SinkWaker.h"

#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <string>

namespace keysound::audio {

namespace {
constexpr int64_t LinkTimeoutNs = 1000 * 1000 * 1000;
constexpr uint32_t BytesPerFrame = 2 * sizeof(int16_t);

// clang-format off
#define KEYSOUND_PIPEWIRE_FUNCTIONS(F)                                                                  \
    F(pw_init) F(pw_properties_new)                                                                     \
    F(pw_thread_loop_new) F(pw_thread_loop_get_loop) F(pw_thread_loop_start) F(pw_thread_loop_stop)     \
    F(pw_thread_loop_destroy) F(pw_thread_loop_lock) F(pw_thread_loop_unlock) F(pw_thread_loop_signal)  \
    F(pw_thread_loop_get_time) F(pw_thread_loop_timed_wait_full)                                        \
    F(pw_context_new) F(pw_context_connect) F(pw_context_destroy) F(pw_core_disconnect)                 \
    F(pw_stream_new) F(pw_stream_add_listener) F(pw_stream_connect) F(pw_stream_update_properties)      \
    F(pw_stream_set_active) F(pw_stream_dequeue_buffer) F(pw_stream_queue_buffer) F(pw_stream_destroy)
// clang-format on
}  // namespace

// libpipewire is loaded when first needed, as SDL loads it: keysound must also run where it is
// not installed.
struct SinkWaker::PipeWireLibrary {
#define KEYSOUND_DECLARE(name) decltype(&::name) name = nullptr;
    KEYSOUND_PIPEWIRE_FUNCTIONS(KEYSOUND_DECLARE)
#undef KEYSOUND_DECLARE

    // Null when the library or one of its functions is missing.
    static const PipeWireLibrary* load()
    {
        static const PipeWireLibrary* loaded = []() -> const PipeWireLibrary* {
            void* handle = dlopen("libpipewire-0.3.so.0", RTLD_NOW | RTLD_LOCAL);
            static PipeWireLibrary library;  // libpipewire is loaded once per process, as SDL loads it
            bool complete = handle != nullptr;
#define KEYSOUND_LOAD(name)                                                                                            \
    complete = complete && (library.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name))) != nullptr;
            KEYSOUND_PIPEWIRE_FUNCTIONS(KEYSOUND_LOAD)
#undef KEYSOUND_LOAD
            if (!complete)
                return nullptr;
            library.pw_init(nullptr, nullptr);
            return &library;
        }();
        return loaded;
    }
};

struct SinkWaker::Connection {
    explicit Connection(const PipeWireLibrary& lib)
        : lib(lib)
    {}
    const PipeWireLibrary& lib;
    pw_thread_loop* loop = nullptr;
    pw_context* context = nullptr;
    pw_core* core = nullptr;
    pw_stream* stream = nullptr;
    spa_hook coreListener{};
    spa_hook streamListener{};
    pw_stream_state state = PW_STREAM_STATE_UNCONNECTED;
    std::atomic<bool> lost = false;

    bool open(int frequency, int bufferFrames);
    bool connectStream(int frequency, int bufferFrames);
    bool waitUntilRunning();
    ~Connection();

    static void onCoreError(void* data, uint32_t id, int, int result, const char*);
    static void onStateChanged(void* data, pw_stream_state, pw_stream_state state, const char*);
    static void onProcess(void* data);
};

void SinkWaker::Connection::onCoreError(void* data, uint32_t id, int, int result, const char*)
{
    auto* self = static_cast<Connection*>(data);
    if (id == PW_ID_CORE && result == -EPIPE)  // the server went away
        self->lost = true;
    self->lib.pw_thread_loop_signal(self->loop, false);
}

void SinkWaker::Connection::onStateChanged(void* data, pw_stream_state, pw_stream_state state, const char*)
{
    auto* self = static_cast<Connection*>(data);
    self->state = state;
    if (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED)
        self->lost = true;
    self->lib.pw_thread_loop_signal(self->loop, false);
}

// Silence, as much as the sink asks for this period.
void SinkWaker::Connection::onProcess(void* data)
{
    auto* self = static_cast<Connection*>(data);
    pw_buffer* buffer = self->lib.pw_stream_dequeue_buffer(self->stream);
    if (buffer == nullptr)
        return;
    spa_data& out = buffer->buffer->datas[0];
    if (out.data != nullptr) {
        uint32_t bytes = out.maxsize;
        if (buffer->requested != 0)
            bytes = std::min<uint64_t>(bytes, buffer->requested * BytesPerFrame);
        std::memset(out.data, 0, bytes);
        out.chunk->offset = 0;
        out.chunk->stride = BytesPerFrame;
        out.chunk->size = bytes;
    }
    self->lib.pw_stream_queue_buffer(self->stream, buffer);
}

bool SinkWaker::Connection::open(int frequency, int bufferFrames)
{
    loop = lib.pw_thread_loop_new("keysound-waker", nullptr);
    if (loop == nullptr)
        return false;
    pw_properties* properties = lib.pw_properties_new(PW_KEY_CONFIG_NAME, "client-rt.conf", nullptr);
    context = lib.pw_context_new(lib.pw_thread_loop_get_loop(loop), properties, 0);
    if (context == nullptr || lib.pw_thread_loop_start(loop) != 0)
        return false;
    lib.pw_thread_loop_lock(loop);
    const bool running = connectStream(frequency, bufferFrames) && waitUntilRunning();
    lib.pw_thread_loop_unlock(loop);
    return running;
}

bool SinkWaker::Connection::connectStream(int frequency, int bufferFrames)
{
    static const pw_core_events coreEvents = [] {
        pw_core_events events{};
        events.version = PW_VERSION_CORE_EVENTS;
        events.error = onCoreError;
        return events;
    }();
    static const pw_stream_events streamEvents = [] {
        pw_stream_events events{};
        events.version = PW_VERSION_STREAM_EVENTS;
        events.state_changed = onStateChanged;
        events.process = onProcess;
        return events;
    }();
    core = lib.pw_context_connect(context, nullptr, 0);
    if (core == nullptr)
        return false;
    pw_core_add_listener(core, &coreListener, &coreEvents, this);
    const std::string latency = std::to_string(bufferFrames) + "/" + std::to_string(frequency);
    pw_properties* properties =
        lib.pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Playback", PW_KEY_APP_NAME,
                              "keysound", PW_KEY_NODE_NAME, "keysound-waker", PW_KEY_MEDIA_NAME,
                              "keysound (keeps the output awake)", PW_KEY_NODE_LATENCY, latency.c_str(), nullptr);
    stream = lib.pw_stream_new(core, "keysound", properties);
    if (stream == nullptr)
        return false;
    lib.pw_stream_add_listener(stream, &streamListener, &streamEvents, this);

    spa_audio_info_raw format{};
    format.format = SPA_AUDIO_FORMAT_S16;
    format.channels = 2;
    format.rate = uint32_t(frequency);
    uint8_t podMemory[512];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(podMemory, sizeof podMemory);
    const spa_pod* params[] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &format)};
    const auto flags =
        pw_stream_flags(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_RT_PROCESS);
    if (lib.pw_stream_connect(stream, PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, params, 1) != 0)
        return false;
    // The process-wide properties that make the mixer's stream passive were applied to this one
    // too while it connected; this one must not be passive.
    const spa_dict_item notPassive[] = {{PW_KEY_NODE_PASSIVE, "false"}};
    const spa_dict dict = SPA_DICT_INIT(notPassive, 1);
    lib.pw_stream_update_properties(stream, &dict);
    return true;
}

// Called with the loop locked.
bool SinkWaker::Connection::waitUntilRunning()
{
    timespec deadline{};
    lib.pw_thread_loop_get_time(loop, &deadline, LinkTimeoutNs);
    while (state != PW_STREAM_STATE_STREAMING && !lost) {
        if (lib.pw_thread_loop_timed_wait_full(loop, &deadline) != 0)
            return false;
    }
    return !lost;
}

SinkWaker::Connection::~Connection()
{
    if (loop != nullptr)
        lib.pw_thread_loop_stop(loop);
    if (stream != nullptr)
        lib.pw_stream_destroy(stream);
    if (core != nullptr)
        lib.pw_core_disconnect(core);
    if (context != nullptr)
        lib.pw_context_destroy(context);
    if (loop != nullptr)
        lib.pw_thread_loop_destroy(loop);
}

std::unique_ptr<SinkWaker> SinkWaker::connect(int frequency, int bufferFrames)
{
    const PipeWireLibrary* library = PipeWireLibrary::load();
    if (library == nullptr)
        return nullptr;
    auto connection = std::make_unique<Connection>(*library);
    if (!connection->open(frequency, bufferFrames))
        return nullptr;
    return std::unique_ptr<SinkWaker>(new SinkWaker(std::move(connection)));
}

SinkWaker::SinkWaker(std::unique_ptr<Connection> connection)
    : connection_(std::move(connection))
{}

SinkWaker::~SinkWaker() = default;

void SinkWaker::setActive(bool active)
{
    const PipeWireLibrary& lib = connection_->lib;
    lib.pw_thread_loop_lock(connection_->loop);
    lib.pw_stream_set_active(connection_->stream, active);
    lib.pw_thread_loop_unlock(connection_->loop);
}

bool SinkWaker::isLost() const { return connection_->lost; }

}  // namespace keysound::audio
