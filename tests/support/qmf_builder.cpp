#include "support/qmf_builder.h"

namespace qm::testing {

std::string QmfLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines)
        out += l + "\r\n";
    return out;
}

std::vector<std::string> Record14::Lines() const {
    std::vector<std::string> l = {Quoted(Button), Quoted(DeviceName), Quoted(Identity),    Repeat,
                                  Rotary,         Multiplier,         Quoted(Description), NumLock,
                                  CapsLock,       ScrollLock};
    for (const auto* side : {&Press, &Release})
        for (std::size_t s = 0; s < 16; ++s) {
            const KeySpec k = s < side->size() ? (*side)[s] : KeySpec{" ", " "};
            l.insert(l.end(), {Quoted(k.Text), Quoted(k.Name)});
        }
    return l;
}

std::string File14(const std::vector<Record14>& records) {
    std::vector<std::string> lines = {"\"1.4\""};
    for (const auto& r : records)
        for (auto& line : r.Lines())
            lines.push_back(line);
    return QmfLines(lines);
}

std::vector<std::string> Record15::Lines() const {
    std::vector<std::string> l = Base.Lines();
    l.insert(l.end(), {Quoted(Control), Quoted(PressPoint), Quoted(ReleasePoint), Hold, Layer,
                       PointerSpeed, PointerCurve});
    return l;
}

std::string File15(const std::vector<Record15>& records) {
    std::vector<std::string> lines = {"\"1.5\""};
    for (const auto& r : records)
        for (auto& line : r.Lines())
            lines.push_back(line);
    return QmfLines(lines);
}

} // namespace qm::testing
