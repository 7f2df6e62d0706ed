// SPDX-License-Identifier: MIT
// The one controller of the instrument across the raw socket and VXI-11.
#include "tools/servers/scpi/control.h"

#include <iostream>

namespace zarvo::scpi {

double Control::Silence() const {
    if (holder_ == nullptr) return 0;
    return std::chrono::duration<double>(Clock::now() - holder_->Heard()).count();
}

bool Control::Take(Controller& c, const std::string& newcomer) {
    if (holder_ == &c) return true;
    if (holder_ != nullptr) {
        Controller* old = holder_;
        if (old->Gone()) {
            std::cerr << "zarvo serve: " << old->Name() << " disconnected\n";
        } else if (Silence() >= idleTimeout_) {
            std::cerr << "zarvo serve: " << old->Name() << " silent for " << idleTimeout_
                      << " s or more: let go for " << newcomer << '\n';
        } else {
            return false;
        }
        holder_ = nullptr;
        old->LetGo();
    }
    std::cerr << "zarvo serve: " << newcomer << " controls the instrument\n";
    holder_ = &c;
    return true;
}

void Control::Release(const Controller& c) {
    if (holder_ == &c) holder_ = nullptr;
}

}  // namespace zarvo::scpi
