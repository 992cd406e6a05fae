#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

// The client side of the Assuan protocol as GnuPG's pinentry speaks it: one command a line,
// answered by data lines ("D ..."), status and comment lines, then "OK" or "ERR code text".
namespace assuan {

// Text as a command's argument: "%", CR, LF and other control bytes as %XX. Cut at a UTF-8
// character boundary, with "...", so that the escaped text stays within maxLength bytes.
std::string escape(const std::string& text, std::size_t maxLength);
// Appends the data of a "D" line from position from on, %XX decoded.
void appendUnescaped(std::string& out, const std::string& data, std::size_t from);

struct Reply {
    bool ok = false;
    std::uint32_t error = 0; // the code of an ERR line
    std::string message;     // and its text
    std::string data;        // the decoded data lines, joined
};

// True for an error code that means the user cancelled (GPG_ERR_CANCELED, GPG_ERR_FULLY_CANCELED,
// whatever the error source in the code's high bits).
bool isCancel(std::uint32_t error);
// True for GPG_ERR_TIMEOUT: the dialog's time limit passed without an answer.
bool isTimeout(std::uint32_t error);

class Client {
public:
    // Talks over out (the server's input) and in (its output); both must throw on failure.
    Client(std::ostream& out, std::istream& in) : m_out(out), m_in(in) {}
    ~Client();

    // Reads the server's greeting; throws unless it is OK.
    void greet();
    // Sends one command line and reads its reply. Throws when the line cannot be sent or the
    // reply is malformed or asks back (INQUIRE).
    Reply transact(const std::string& command);
    // Sends a command and throws unless the reply is OK.
    void require(const std::string& command);

private:
    Reply readReply();

    std::ostream& m_out;
    std::istream& m_in;
    std::string m_line;
};

} // namespace assuan
