#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/form_view.h"

namespace tambrel::testing {

/// A view without windows: records what the runtime asks of it. A modal show runs `while_modal`
/// (which may advance time and click), then closes the form like its close box would, unless the
/// hook closed it or the program ended.
class RecordingView : public FormView {
 public:
  void create(forms::Form& form) override;
  void show(forms::Form& form) override;
  void show_modal(forms::Form& form, forms::Form& owner) override;
  void destroy(forms::Form& form) override;
  void control_changed(forms::Form& form, forms::Control& control, Property what) override;
  void form_changed(forms::Form& form, Property what) override;
  WindowId native_window(forms::Form& form) override;
  void schedule_wake(std::optional<Millis> delay_ms) override { wake = delay_ms; }
  void announce(forms::Form&, const forms::Control*, std::string_view text) override {
    announcements.emplace_back(text);
  }
  void message_box(std::string_view title, std::string_view text) override;
  void quit() override { ++quits; }

  struct Box {
    std::string title, text;
  };
  std::vector<Box> message_boxes;
  /// "create TAMBREL_MAIN", "show TAMBREL_MAIN", "modal TAMBREL_ABOUT over TAMBREL_MAIN", ...
  std::vector<std::string> events;
  /// "CONTROL text=..." for every change, in order.
  std::vector<std::string> changes;
  /// What a screen reader was told, in order.
  std::vector<std::string> announcements;
  std::optional<Millis> wake;
  int quits = 0;
  std::function<void(forms::Form&)> while_modal;
  /// The native window id the view gives each form, by form name.
  std::map<std::string, WindowId> window_ids{{"TAMBREL_MAIN", 1}, {"TAMBREL_ABOUT", 2}};
};

}  // namespace tambrel::testing
