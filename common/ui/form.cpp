// The portable window model: control state by name, and loading, showing and unloading
// through the view.
#include "common/ui/form.h"

#include <algorithm>

namespace velmar::ui {

Form::Form(const FormTable& table, Forms& forms) : table_(table), forms_(forms) {
  states_[""].place = {0, 0, table.client_width, table.client_height};
  for (const ControlRow& control : table.controls) {
    states_[std::string(control.name)].place = control.rect;
  }
}

Form::~Form() {
  if (view_) forms_.Unloaded(*this);
}

const ControlRow* Form::Control(std::string_view name) const {
  for (const ControlRow& control : table_.controls) {
    if (control.name == name) return &control;
  }
  return nullptr;
}

Form::State& Form::StateOf(std::string_view control) {
  const auto it = states_.find(control);
  if (it != states_.end()) return it->second;
  return states_[std::string(control)];
}

const Form::State* Form::Find(std::string_view control) const {
  const auto it = states_.find(control);
  return it == states_.end() ? nullptr : &it->second;
}

const std::wstring& Form::Caption(std::string_view control) const {
  static const std::wstring kNone;
  const State* state = Find(control);
  return state ? state->caption : kNone;
}

void Form::SetCaption(std::string_view control, std::wstring text) {
  StateOf(control).caption = std::move(text);
  Refresh(control);
}

bool Form::Checked(std::string_view control) const {
  const State* state = Find(control);
  return state && state->checked;
}

void Form::SetChecked(std::string_view control, bool checked) {
  StateOf(control).checked = checked;
  Refresh(control);
}

bool Form::Enabled(std::string_view control) const {
  const State* state = Find(control);
  return !state || state->enabled;
}

void Form::SetEnabled(std::string_view control, bool enabled) {
  StateOf(control).enabled = enabled;
  Refresh(control);
}

bool Form::Clickable(std::string_view control) const {
  for (const ControlRow* row = Control(control); row != nullptr; row = Control(row->parent)) {
    if (!Enabled(row->name)) return false;
    if (row->kind != Kind::kMenuItem && row->kind != Kind::kMenu) break;
  }
  return Enabled(control);
}

Rect Form::Place(std::string_view control) const {
  const State* state = Find(control);
  return state ? state->place : Rect{};
}

void Form::SetPlace(std::string_view control, const Rect& rect) {
  StateOf(control).place = rect;
  Refresh(control);
}

void Form::SetProgress(int minimum, int maximum, int value) {
  progress_min_ = minimum;
  progress_max_ = maximum;
  progress_value_ = value;
  for (const ControlRow& control : table_.controls) {
    if (control.kind == Kind::kProgressBar) Refresh(control.name);
  }
}

void Form::Refresh(std::string_view control) {
  if (view_) view_->Refresh(control);
}

void Form::Load() {
  if (view_) return;
  forms_.CollectRetired();
  face_.clear();  // a new window starts with the dialog face
  view_ = forms_.views().Create(*this);
  forms_.Loaded(*this);
  OnLoad();
}

void Form::Unload() {
  if (!view_) return;
  forms_.Unloaded(*this);
  view_->Hide();
  forms_.Retire(std::move(view_));
}

void Form::ShowModal(Form& from) {
  Load();
  if (view_) view_->ShowModal(from.view());
}

void Form::Hide() {
  if (view_) view_->Hide();
}

void Form::ApplyLanguageFonts() {
  // Only the windows with a caption operation take the language's fonts.
  if (!view_ || !HasAutoInit()) return;
  velmar::LanguageFont font = forms_.localize().CurrentFont();
  // The controls refuse the empty name and keep the face they have; the character set is
  // taken all the same.
  if (font.name.empty()) {
    font.name = face_;
  } else {
    face_ = font.name;
  }
  view_->ApplyFont(font, forms_.localize().font_target());
}

void Forms::Loaded(Form& form) {
  if (std::find(loaded_.begin(), loaded_.end(), &form) == loaded_.end()) {
    loaded_.push_back(&form);
  }
}

void Forms::Unloaded(Form& form) {
  std::erase(loaded_, &form);
}

}  // namespace velmar::ui
