// The event log: shown whole, printed through the system's print dialog, mailed
// through the system's mail service.
#include <windows.h>
#include <commdlg.h>
#include <mapi.h>

#include <string>
#include <vector>

#include "adaptations/ventra/files/event_log.h"
#include "adaptations/ventra/files/unit_files.h"
#include "adaptations/ventra/module/edition.h"
#include "adaptations/ventra/screens/screen_dialog.h"
#include "adaptations/ventra/screens/screen_ids.h"
#include "common/win32_handles.h"

namespace np::ventra {
namespace {

constexpr std::uint16_t kCaption = 780;
constexpr std::uint16_t kMailSubject = 784;
constexpr std::uint16_t kMailBody = 785;
constexpr const char* kDocumentName = "NorvanePan";
constexpr const char* kMailLibrary = "MAPI32.DLL";
constexpr const char* kMailFailure = "Failed to send the message. Error: ";

// Pages of the log on a printer: margins of three lines and three "Ap" widths.
class LogPrinter {
  public:
    explicit LogPrinter(HDC printer) : dc_(printer) {
        SIZE ap{};
        ::GetTextExtentPoint32A(dc_, "Ap", 2, &ap);
        line_ = ap.cy + ::GetTextCharacterExtra(dc_);
        page_ = {3 * ap.cx, 3 * line_, ::GetDeviceCaps(dc_, HORZRES) - 3 * ap.cx,
                 ::GetDeviceCaps(dc_, VERTRES) - 3 * line_};
    }

    // A page is started only for a line that goes on it: no blank page at the end.
    bool print(const std::vector<std::string>& lines) {
        RECT area = page_;
        bool page_open = false;
        for (const std::string& line : lines) {
            if (!page_open) {
                ::StartPage(dc_);
                page_open = true;
                area = page_;
            }
            int height = line_;
            if (!line.empty()) {
                RECT measured = area;
                height = ::DrawTextA(dc_, line.c_str(), -1, &measured,
                                     DT_WORDBREAK | DT_EXPANDTABS | DT_CALCRECT | DT_NOPREFIX);
                ::DrawTextA(dc_, line.c_str(), -1, &area, DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
            }
            area.top += height;
            if (area.bottom - area.top < line_) {
                if (::EndPage(dc_) <= 0) return false;
                page_open = false;
            }
        }
        return !page_open || ::EndPage(dc_) > 0;
    }

  private:
    HDC dc_;
    int line_;
    RECT page_;
};

class LogScreen : public ScreenDialog {
  public:
    LogScreen(VentraModule& module, ConsoleAccess& console) : ScreenDialog(module, IDD_LOG), console_(console) {}

  private:
    void on_init() override {
        set_caption(kCaption);
        set_texts({{IDOK, 782}, {IDC_LOG_PRINT, 781}, {IDC_LOG_SEND, 783}});
        set_item(IDC_LOG_PATH, kEventLogPath);
        content_ = whole_file(kEventLogPath);  // not read again while the screen is open
        set_item(IDC_TEXT, content_);
    }
    void on_command(int control, int) override {
        if (control == IDOK) close(IDOK);
        else if (control == IDC_LOG_PRINT) print();
        else if (control == IDC_LOG_SEND) send();
    }

    void print() const {
        const std::vector<std::string> lines = log_print_lines(content_);
        if (lines.empty()) return;  // nothing was read: no empty page either
        PRINTDLGA choice{};
        choice.lStructSize = sizeof choice;
        choice.hwndOwner = dialog();
        choice.Flags = PD_RETURNDC | PD_HIDEPRINTTOFILE | PD_NOPAGENUMS | PD_NOSELECTION |
                       PD_USEDEVMODECOPIESANDCOLLATE;
        if (!::PrintDlgA(&choice)) return;
        UniqueGlobal mode(choice.hDevMode), names(choice.hDevNames);
        UniqueDc printer(choice.hDC);
        DOCINFOA document{};
        document.cbSize = sizeof document;
        document.lpszDocName = kDocumentName;
        if (::StartDocA(printer.get(), &document) <= 0) return;
        if (LogPrinter(printer.get()).print(lines)) ::EndDoc(printer.get());
        else ::AbortDoc(printer.get());
    }

    void send() {
        char directory[MAX_PATH] = {};
        ::GetCurrentDirectoryA(sizeof directory, directory);
        // Once loaded the mail library stays, as the mail service expects of its callers.
        const HMODULE mail = ::LoadLibraryA(kMailLibrary);
        const auto send_mail = mail ? reinterpret_cast<LPMAPISENDMAIL>(
                                          reinterpret_cast<void*>(::GetProcAddress(mail, "MAPISendMail")))
                                    : nullptr;
        if (send_mail) {
            const unsigned long result = send_log(send_mail);
            if (result != SUCCESS_SUCCESS) message_text(std::string(kMailFailure) + mail_result_name(result));
        }
        ::SetCurrentDirectoryA(directory);
    }

    unsigned long send_log(LPMAPISENDMAIL send_mail) {
        std::string subject = text(kMailSubject), body = text(kMailBody), path = kEventLogPath;
        MapiFileDesc attachment{};
        attachment.nPosition = static_cast<ULONG>(-1);
        attachment.lpszPathName = path.data();
        MapiMessage mail{};
        mail.lpszSubject = subject.data();
        mail.lpszNoteText = body.data();
        mail.nFileCount = 1;
        mail.lpFiles = &attachment;
        if (demonstration_build()) {
            // The screen's top-level owner (the screen itself when it has none) is held
            // while the mail dialog is up.
            const HWND top = ::GetAncestor(dialog(), GA_ROOTOWNER);
            ::EnableWindow(top, FALSE);
            ::SetCapture(top);
            ::SetFocus(nullptr);
            const ULONG result = send_mail(0, reinterpret_cast<ULONG_PTR>(dialog()), &mail,
                                           MAPI_LOGON_UI | MAPI_DIALOG, 0);
            ::ReleaseCapture();
            ::EnableWindow(top, TRUE);
            ::SetActiveWindow(dialog());
            return result;
        }
        // The console is usually disabled already, as the owner of this screen: it is
        // enabled again afterwards only if it was enabled before.
        const HWND main_window = console_.window();
        const bool was_disabled = ::EnableWindow(main_window, FALSE) != FALSE;
        ::SetCapture(dialog());
        ::SetFocus(nullptr);
        const ULONG result = send_mail(0, reinterpret_cast<ULONG_PTR>(dialog()), &mail,
                                       MAPI_LOGON_UI | MAPI_DIALOG, 0);
        ::ReleaseCapture();
        ::EnableWindow(dialog(), TRUE);
        ::SetActiveWindow(dialog());
        if (!was_disabled) ::EnableWindow(main_window, TRUE);
        return result;
    }

    ConsoleAccess& console_;
    std::string content_;
};

}  // namespace

void show_log(VentraModule& module, ConsoleAccess& console, HWND owner) {
    LogScreen(module, console).run(owner);
}

}  // namespace np::ventra
