// Checks of a scenario step by step, and the clock and message pump the driver waits with.
#include "harness.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::e2e {

Checks::Checks(std::string scenario) : scenario_(std::move(scenario)), start_(Now()) {}

std::string Checks::Prefix() const {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, " %.1fs", Milliseconds(Now() - start_) / 1000);
    return "[" + scenario_ + (step_.empty() ? "" : ":" + step_) + seconds + "]";
}

bool Checks::Expect(bool ok, std::string_view what, std::string_view detail) {
    ++checks_;
    if (ok) {
        std::printf("%s ok: %.*s\n", Prefix().c_str(), static_cast<int>(what.size()), what.data());
        return true;
    }
    ++failures_;
    std::printf("%s FAILED: %.*s%s%.*s\n", Prefix().c_str(), static_cast<int>(what.size()),
                what.data(), detail.empty() ? "" : "\n    ", static_cast<int>(detail.size()),
                detail.data());
    return false;
}

void Checks::Require(bool ok, std::string_view what, std::string_view detail) {
    if (!Expect(ok, what, detail))
        throw Fatal(std::string(what));
}

void Checks::Note(std::string_view text) const {
    std::printf("%s %.*s\n", Prefix().c_str(), static_cast<int>(text.size()), text.data());
}

void Checks::Step(std::string name, std::initializer_list<std::string_view> needs,
                  const std::function<void()>& body) {
    step_ = name;
    for (const std::string_view need : needs)
        if (std::find(passed_.begin(), passed_.end(), need) == passed_.end()) {
            Note("skipped: needs " + std::string(need));
            skipped_.push_back(std::move(name));
            step_.clear();
            return;
        }
    const int checks = checks_, failures = failures_;
    try {
        body();
    } catch (const Fatal&) {
        // Reported where it happened.
    } catch (const std::exception& e) {
        Expect(false, "the step ran to its end", e.what());
    }
    const int failed = failures_ - failures;
    Note(failed == 0 ? "step passed (" + std::to_string(checks_ - checks) + " checks)"
                     : "step FAILED (" + std::to_string(failed) + " of " +
                           std::to_string(checks_ - checks) + " checks)");
    (failed == 0 ? passed_ : failed_).push_back(std::move(name));
    step_.clear();
}

int Checks::Finish() const {
    const auto list = [](const std::vector<std::string>& steps) {
        std::string names;
        for (const std::string& step : steps)
            names += (names.empty() ? " (" : ", ") + step;
        return std::to_string(steps.size()) + names + (names.empty() ? "" : ")");
    };
    Note("steps passed " + std::to_string(passed_.size()) + ", failed " + list(failed_) +
         ", skipped " + list(skipped_));
    return failures_;
}

std::int64_t Now() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Milliseconds(std::int64_t counterTicks) {
    static const double frequency = [] {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    return static_cast<double>(counterTicks) * 1000.0 / frequency;
}

double Percentile(const std::vector<double>& sorted, double share) {
    if (sorted.empty())
        return 0;
    const auto rank =
        static_cast<std::size_t>(std::ceil(share * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

namespace {
void DispatchPending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
} // namespace

void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

double ProcessCpuSeconds(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    const auto ticks = [](const FILETIME& t) {
        return static_cast<double>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 1e7;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        DispatchPending();
        if (done())
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
            return false;
        // Short waits: what `done` watches (other processes, shared memory) sends no message.
        MsgWaitForMultipleObjectsEx(0, nullptr,
                                    static_cast<DWORD>(std::min<ULONGLONG>(end - now, 2)),
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

} // namespace qm::e2e
