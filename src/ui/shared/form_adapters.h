// What a front end makes of its widgets for TForm1: one adapter per control of the toolkit
// interface, held together. The front end creates them with its widgets and hands TForm1 their
// Controls(); the adapters outlive the form.
#pragma once

#include <array>
#include <memory>

#include "form_pages.h"
#include "toolkit.h"

namespace kestrine {

template <typename ListViewAdapter, typename ComboBoxAdapter, typename StatusBarAdapter,
          typename LabelAdapter, typename TrayIconAdapter, typename PageControlAdapter>
struct FormAdapters {
  std::array<std::unique_ptr<ListViewAdapter>, kPages.size()> list_views;  // ListView1 to 5
  std::unique_ptr<ComboBoxAdapter> drive_selector;
  std::unique_ptr<StatusBarAdapter> status_bar;
  std::unique_ptr<LabelAdapter> condition_label;
  std::unique_ptr<TrayIconAdapter> tray;
  std::unique_ptr<PageControlAdapter> pages;

  // The form's ListView<number>.
  ListViewAdapter& List(int number) const {
    return *list_views[static_cast<std::size_t>(number - 1)];
  }
  FormControls Controls(Application& app) const {
    return FormControls{List(1),     List(2),          List(3), List(4), List(5), *drive_selector,
                        *status_bar, *condition_label, *tray,   *pages,  app};
  }
};

}  // namespace kestrine
