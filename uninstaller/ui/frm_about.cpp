// frmAbout: its control table, load sequence and the language change.
#include "uninstaller/ui/frm_about.h"

#include <utility>

#include "common/vb_text.h"
#include "uninstaller/app.h"

namespace uninstaller::ui {
namespace {

constexpr ControlRow kControls[] = {
    {"picVelmarLogo", Kind::kPicture, "", {180, 60, 2190, 870}},
    {"lblVersionTitle", Kind::kLabel, "", {3240, 300, 975, 195}, 2045, true},
    {"lblVersion", Kind::kLabel, "", {4260, 300, 1755, 255}},
    {"lblCopyright", Kind::kLabel, "", {180, 1140, 5835, 195}, 2026},
    {"lblTrademark", Kind::kLabel, "", {180, 1500, 5835, 195}, 2042},
    {"lblChangeLanguage", Kind::kLink, "", {180, 1860, 2895, 195}, 2024},
    {"picBrannockLogo", Kind::kPicture, "", {150, 2370, 1380, 780}},
    {"lblBrannockAddress1", Kind::kLabel, "", {1680, 2460, 2835, 195}, 2025},
    {"lblBrannockAddress2", Kind::kLabel, "", {1680, 2700, 2835, 195}, 2036},
    {"lblBrannockAddress3", Kind::kLabel, "", {1680, 2940, 2835, 195}, 2040},
    {"cmdOK", Kind::kButton, "", {4680, 2760, 1275, 375}, 2032},
    {"mnuSelectLanguage", Kind::kMenu, "", {}, 2037, false, false},
};

constexpr FormTable kTable{"frmAbout", 6090, 3285, Border::kFixed, kControls};

constexpr std::pair<std::string_view, std::uint32_t> kCaptionOrder[] = {
    {"", 1001},
    {"cmdOK", 2032},
    {"lblBrannockAddress2", 2036},
    {"lblBrannockAddress3", 2040},
    {"lblChangeLanguage", 2024},
    {"lblTrademark", 2042},
    {"lblCopyright", 2026},
    {"lblBrannockAddress1", 2025},
    {"lblVersionTitle", 2045},
    {"mnuSelectLanguage", 2037},
};

// The run time's Val(): leading blanks skipped, then the decimal digits.
std::uint32_t ValueOf(const std::wstring& tag) {
  std::uint32_t value = 0;
  std::size_t i = tag.find_first_not_of(L' ');
  for (; i < tag.size() && tag[i] >= L'0' && tag[i] <= L'9'; ++i)
    value = value * 10 + (tag[i] - L'0');
  return value;
}

}  // namespace

std::wstring AboutVersionText(const std::array<std::uint16_t, 4>& version) {
  return velmar::VbStr(version[0]) + L"." + std::to_wstring(version[1]) + L" Build" +
         velmar::VbStr(version[3]);
}

FrmAbout::FrmAbout(Forms& forms, UninstallerApp& app) : Form(kTable, forms), app_(app) {}

void FrmAbout::Auto_Init() {
  ApplyLanguageFonts();
  for (const auto& [control, id] : kCaptionOrder) SetCaption(control, forms().Text(id));
}

void FrmAbout::OnLoad() {
  Auto_Init();
  // From here a failure is reported and the load goes on with its next step.
  const auto step = [&](auto&& action) {
    try {
      action();
    } catch (const platform::RuntimeError& error) {
      app_.Message(forms().Text(2027) + error.description(), platform::mb::kOk);
    }
  };
  step([&] { SetCaption("lblVersion", AboutVersionText(app_.host.resources.FileVersion())); });
  step([&] { forms().localize().InitializeLanguages(); });
  step([&] { BuildLanguageMenu(); });
}

void FrmAbout::BuildLanguageMenu() {
  auto& localize = forms().localize();
  const auto& codes = localize.available_languages();
  std::vector<MenuEntry> entries;
  if (codes.size() > 1) {
    for (const std::wstring& code : codes) {
      entries.push_back({localize.LanguageNameFromCode(code),
                         velmar::VbStr(static_cast<long>(velmar::LanguageCodeToId(code)))});
    }
  } else {
    entries.push_back({forms().Text(2031), L"1033"});
  }
  SetDynamicMenu(std::move(entries));
}

void FrmAbout::OnClick(std::string_view control) {
  if (control == "cmdOK") {
    Hide();
  } else if (control == "lblChangeLanguage" && view()) {
    view()->PopupMenu("mnuSelectLanguage");
  }
}

void FrmAbout::OnMenuItem(std::string_view /*menu*/, std::size_t index) {
  if (index < DynamicMenu().size()) ChangeLanguage(DynamicMenu()[index].tag);
}

void FrmAbout::ChangeLanguage(const std::wstring& tag) {
  if (view()) view()->SetBusyCursor(true);
  const auto skip_failure = [](auto&& action) {
    try {
      action();
    } catch (const platform::RuntimeError&) {
    }
  };
  skip_failure([&] { forms().localize().set_current_language(ValueOf(tag)); });
  skip_failure([&] { forms().localize().InitializeLanguages(); });
  for (Form* form : std::vector<Form*>(forms().loaded())) {
    skip_failure([&] { form->ApplyLanguageFonts(); });
    // A window without a caption operation (the failover warning) is passed over.
    if (form->HasAutoInit()) skip_failure([&] { form->Auto_Init(); });
    if (form->view()) form->view()->RepaintAll();
  }
  if (view()) view()->SetBusyCursor(false);
}

}  // namespace uninstaller::ui
