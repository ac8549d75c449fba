// Debug Adapter Protocol messages on a byte stream: each a "Content-Length: N" header
// (other headers are read and ignored), an empty line, then N bytes of JSON.
#pragma once

#include <cstdio>
#include <string>

enum class FrameRead {
    Message,   // *body holds one message's bytes
    EndOfFile, // the stream ended between messages
    Bad,       // a header without a usable length, or a stream cut inside a message
};

class DapFraming {
public:
    DapFraming(FILE* in, FILE* out);

    FrameRead Read(std::string* body);
    // Writes one message and flushes it, so the client sees it at once. False when the
    // output is gone.
    bool Write(const std::string& body);

private:
    // One header line without its line end; false at the end of the stream.
    bool ReadLine(std::string* line);

    FILE* m_in;
    FILE* m_out;
};
