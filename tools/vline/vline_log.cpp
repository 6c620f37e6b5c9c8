#include "vline/vline_log.h"

#define SPANDSP_EXPOSE_INTERNAL_STRUCTURES
#include <spandsp.h>

#include <cstdarg>
#include <memory>
#include <vector>
#include <cstdio>
#include <ctime>
#include <sys/time.h>

namespace qln::vline {

namespace {
std::FILE *g_file = nullptr;
int64_t g_samples = 0;

void spandspMessage(int /*level*/, const char *text)
{
    if (!g_file)
        return;
    std::string t(text);
    while (!t.empty() && (t.back() == '\n' || t.back() == '\r'))
        t.pop_back();
    VlineLog::write("spandsp %s", t.c_str());
}
} // namespace

bool VlineLog::open(const std::string &path)
{
    close();
    g_file = std::fopen(path.c_str(), "a");
    if (g_file)
        std::setvbuf(g_file, nullptr, _IOLBF, 0);
    return g_file != nullptr;
}

void VlineLog::close()
{
    if (g_file)
        std::fclose(g_file);
    g_file = nullptr;
}

void VlineLog::setLineClock(int64_t samples)
{
    g_samples = samples;
}

void VlineLog::write(const char *fmt, ...)
{
    if (!g_file)
        return;
    timeval tv{};
    gettimeofday(&tv, nullptr);
    tm local{};
    localtime_r(&tv.tv_sec, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);
    std::fprintf(g_file, "%s.%03d [line %8.3f] ", stamp, static_cast<int>(tv.tv_usec / 1000),
                 static_cast<double>(g_samples) / 8000.0);
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(g_file, fmt, ap);
    va_end(ap);
    std::fputc('\n', g_file);
}

void VlineLog::attachSpandsp(void *loggingState, const char *tag)
{
    auto *s = static_cast<logging_state_t *>(loggingState);
    span_log_set_level(s, SPAN_LOG_SHOW_SEVERITY | SPAN_LOG_SHOW_PROTOCOL | SPAN_LOG_SHOW_TAG | SPAN_LOG_FLOW);
    // spandsp keeps the pointer, so the tag text must live as long as the log.
    static std::vector<std::unique_ptr<std::string>> tags;
    tags.push_back(std::make_unique<std::string>(tag));
    span_log_set_tag(s, tags.back()->c_str());
    span_log_set_message_handler(s, spandspMessage);
}

} // namespace qln::vline
