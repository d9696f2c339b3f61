#include "shell/startup.h"

#include "shell/load_unload.h"

namespace tambrel {

Program::Program(FormView& view, Services services)
    : services_(std::move(services)), app_(services_.clock, view) {}

Program::~Program() = default;

void Program::start() {
  app_.dispatch([this] {
    main_ = std::make_unique<TambrelMain>(app_, services_);
    wire_handlers(*main_);
    main_->show();
  });
}

}  // namespace tambrel
