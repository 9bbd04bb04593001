#pragma once
// The hourglass pointer for the duration of a command: a view's SetBusy(true) while the
// object lives, SetBusy(false) when it goes, also when the command fails.
namespace qm {

template <class View> class BusyPointer {
public:
    explicit BusyPointer(View& view) : view_(view) { view_.SetBusy(true); }
    ~BusyPointer() { view_.SetBusy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    View& view_;
};

} // namespace qm
