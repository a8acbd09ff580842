// The card of a module built to run without one: the simulator, set up afresh from
// the registry each time the device is opened.
#include "acquisition/card/card_device.h"
#include "sim/card/card_sim_registry.h"
#include "sim/card/card_simulator.h"

namespace np::card {

std::unique_ptr<CardDevice> open_card_device() {
    auto& card = sim::CardSimulator::instance();
    card.configure(sim::read_card_configuration());
    return card.open_device();
}

}  // namespace np::card
