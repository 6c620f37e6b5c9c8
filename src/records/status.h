// Result of an engine operation: success, or an error kind with a text.
//
// The engine never throws across its interface; every fallible call returns
// a Status. A malformed file is a Corruption, never a crash. Plain value,
// safe to copy between threads.
#pragma once

#include <string>
#include <utility>

namespace qln::records {

class Status {
public:
    enum class Code { Ok, NotFound, Corruption, IOError, InvalidArgument, Busy };

    Status() = default;
    static Status ok() { return {}; }
    static Status notFound(std::string m) { return {Code::NotFound, std::move(m)}; }
    static Status corruption(std::string m) { return {Code::Corruption, std::move(m)}; }
    static Status ioError(std::string m) { return {Code::IOError, std::move(m)}; }
    static Status invalid(std::string m) { return {Code::InvalidArgument, std::move(m)}; }
    static Status busy(std::string m) { return {Code::Busy, std::move(m)}; }

    bool isOk() const { return code_ == Code::Ok; }
    bool isCorruption() const { return code_ == Code::Corruption; }
    bool isNotFound() const { return code_ == Code::NotFound; }
    Code code() const { return code_; }
    const std::string &message() const { return message_; }
    std::string toString() const;

private:
    Status(Code c, std::string m) : code_(c), message_(std::move(m)) {}
    Code code_ = Code::Ok;
    std::string message_;
};

inline std::string Status::toString() const
{
    switch (code_) {
    case Code::Ok: return "OK";
    case Code::NotFound: return "Not found: " + message_;
    case Code::Corruption: return "Corruption: " + message_;
    case Code::IOError: return "IO error: " + message_;
    case Code::InvalidArgument: return "Invalid argument: " + message_;
    case Code::Busy: return "Busy: " + message_;
    }
    return message_;
}

} // namespace qln::records
