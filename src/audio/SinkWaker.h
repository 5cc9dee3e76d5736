#pragma once

#include <memory>

namespace keysound::audio {

// A silent PipeWire stream that keeps the sink running while keysound's output is in use.
//
// The output device's own PipeWire stream is made passive (SoundOutput::prepareEnvironment): it sounds
// whenever its sink runs but never makes it run. This stream does, and unlike the mixer's it can
// rest without being taken down: while it is inactive nothing of keysound is scheduled and the
// server can suspend the sink, and activating it brings the sink back within a period or two.
// Taking streams down and up again instead would cost each first key after idle a new link,
// which the session manager makes in 15 to 35 ms.
class SinkWaker {
public:
    // Connects to the PipeWire server and waits until the stream is linked and running; null when
    // there is no server or it does not link the stream within a second.
    static std::unique_ptr<SinkWaker> connect(int frequency, int bufferFrames);
    ~SinkWaker();
    SinkWaker(const SinkWaker&) = delete;
    SinkWaker& operator=(const SinkWaker&) = delete;

    void setActive(bool active);
    // The server went away or dropped the stream.
    bool isLost() const;

private:
    struct PipeWireLibrary;
    struct Connection;
    explicit SinkWaker(std::unique_ptr<Connection> connection);
    std::unique_ptr<Connection> connection_;
};

}  // namespace keysound::audio
