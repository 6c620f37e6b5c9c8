// UserLineReader: raster lines supplied by the application (input type
// idUser) through three callbacks: open (with the input name), read one line
// (its byte count, end-of-page and more-pages flags) and close. Without a
// read callback the document ends at once.
//
// Not thread-safe; the callbacks run on the converting thread.
#pragma once

#include <functional>

#include "faximage/convertercore.h"

namespace qln::fax {

class UserLineReader : public FaxInputReader {
public:
    using OpenFn = std::function<int(const std::string &fileName)>;
    using ReadFn = std::function<int(uint8_t *data, int &len, bool &endOfPage, bool &morePages)>;
    using CloseFn = std::function<void()>;

    UserLineReader(std::string defaultExtension, OpenFn open, ReadFn read, CloseFn close)
        : ext_(std::move(defaultExtension))
        , open_(std::move(open))
        , read_(std::move(read))
        , close_(std::move(close))
    {
    }

    std::string defaultExtension() const override { return ext_; }
    int open(ConverterCore &core, const std::string &fileName) override;
    int readLine(ConverterCore &core, uint8_t *raster, bool &endOfPage, bool &morePages) override;
    void close() override;

private:
    std::string ext_;
    OpenFn open_;
    ReadFn read_;
    CloseFn close_;
};

} // namespace qln::fax
