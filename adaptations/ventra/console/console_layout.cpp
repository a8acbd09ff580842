#include "adaptations/ventra/console/console_layout.h"

#include <cmath>

namespace np::ventra {
namespace {

constexpr Placement kConsole[] = {
    {IDC_PAGE_SELECTOR, 0.6035, 0.1848},
    {IDC_VOICE_HELP, 0.138, 0.8541},
    {IDC_EMISSION_LAMP, 0.8457, 0.7543},
    {IDC_READY_LAMP, 0.7897, 0.7543},
    {IDC_INFORMATION, 0.0514, 0.0763},
    {IDC_LASER, 0.6445, 0.7543},
    {IDC_MOVEMENT_RESET, 0.7031, 0.7543},
    {IDC_DEMONSTRATION, 0.0852, 0.8541},
    {IDC_EXIT, 0.8697, 0.8541},
    {IDC_RECAP_TMJ_RIGHT, 0.1946, 0.6006},
    {IDC_RECAP_TMJ_LEFT, 0.1054, 0.6006},
    {IDC_RECAP_INCISOR, 0.1477, 0.6059},
    {IDC_RECAP_RIGHT_MOLAR, 0.1666, 0.6059},
    {IDC_RECAP_LEFT_MOLAR, 0.1204, 0.6059},
    {IDC_RECAP_SINUS, 0.1419, 0.5789},
    {IDC_RECAP_BODY_SIZE, 0.2903, 0.5755},
    {IDC_RECAP_CHILD, 0.2259, 0.5694},
    {IDC_RECAP_ADULT, 0.2565, 0.5694},
    {IDC_LOGO, 0.3567, 0.8628},
    {IDC_RADIATION, 0.1998, 0.0789},
    {IDC_ATTENTION, 0.1627, 0.0789},
    {IDC_TEMPERATURE, 0.4687, 0.6996},
    {IDC_BLUE_DANGER, 0.3652, 0.7282},
    {IDC_CAPTION_PROGRAM, 0.13, 0.555},
    {IDC_CAPTION_PATIENT, 0.26, 0.555},
    {IDC_CAPTION_KV, 0.355, 0.555},
    {IDC_CAPTION_MA, 0.415, 0.555},
    {IDC_CAPTION_S, 0.475, 0.555},
    {IDC_CAPTION_DOSE, 0.525, 0.555},
    {IDC_KV_DISPLAY, 0.345, 0.58},
    {IDC_MA_DISPLAY, 0.405, 0.58},
    {IDC_TIME_DISPLAY, 0.465, 0.58},
    {IDC_DOSE_DISPLAY, 0.515, 0.58},
    {IDC_CAPTION_PROGRAM_PAGE, 0.75, 0.214},
    {IDC_CAPTION_PATIENT_PAGE, 0.748, 0.262},
    {IDC_CAPTION_PARAMETERS_PAGE, 0.736, 0.307},
    {IDC_LABEL_X4, 0.11, 0.58},
    {IDC_MESSAGE_DISPLAY, 0.11, 0.7375},
    {IDC_CODE_DISPLAY, 0.415, 0.7375},
    {IDC_COOLING_DISPLAY, 0.5225, 0.75},
    {IDC_LABEL_R, 0.205, 0.64},
    {IDC_PREVIEW, 0.0899, 0.1603},
    {IDC_PAGE_FRAME, 0.5927, 0.3502},
};

// The pages are ours to arrange: three rows of buttons on the program page (the
// molar blocks and incisor as they sit in the mouth, then TMJ and sinus, then the
// four views), the two ages above the three body sizes, and the parameters page with
// each value between its minus and plus buttons.
constexpr Placement kProgramPage[] = {
    {IDC_PROGRAM_RIGHT_MOLAR, 0.06, 0.08}, {IDC_PROGRAM_INCISOR, 0.41, 0.08},
    {IDC_PROGRAM_LEFT_MOLAR, 0.76, 0.08},  {IDC_PROGRAM_TMJ_RIGHT, 0.06, 0.38},
    {IDC_PROGRAM_SINUS, 0.41, 0.38},       {IDC_PROGRAM_TMJ_LEFT, 0.76, 0.38},
    {IDC_PROGRAM_FOUR_VIEWS, 0.41, 0.68},  {IDC_PROGRAM_CEPH, 0.76, 0.68},
};
constexpr Placement kPatientPage[] = {
    {IDC_PATIENT_ADULT, 0.20, 0.10}, {IDC_PATIENT_CHILD, 0.60, 0.10}, {IDC_PATIENT_LOW, 0.06, 0.55},
    {IDC_PATIENT_AVERAGE, 0.40, 0.55}, {IDC_PATIENT_HIGH, 0.74, 0.55},
};
constexpr Placement kParametersPage[] = {
    {IDC_KV_MINUS, 0.05, 0.06}, {IDC_PAGE_KV, 0.37, 0.07},   {IDC_KV_PLUS, 0.79, 0.06},
    {IDC_MA_MINUS, 0.05, 0.30}, {IDC_PAGE_MA, 0.37, 0.31},   {IDC_MA_PLUS, 0.79, 0.30},
    {IDC_PAGE_TIME, 0.10, 0.56}, {IDC_PAGE_DOSE, 0.64, 0.56}, {IDC_MEMORY, 0.40, 0.78},
};

int scaled(double fraction, int size) {
    return static_cast<int>(fraction * size);
}

}  // namespace

std::span<const Placement> console_placements() {
    return kConsole;
}

std::span<const Placement> page_placements(int page) {
    switch (page) {
        case 0: return kProgramPage;
        case 1: return kPatientPage;
        default: return kParametersPage;
    }
}

Point console_control_origin(const Placement& placement, ReferenceSize reference) {
    const bool large = reference.width == 1024;
    double fx = placement.fx;
    if (placement.id == IDC_LABEL_R && large) fx = 0.2075;
    Point at = place(fx, placement.fy, reference);
    if (placement.id == IDC_PAGE_FRAME && large) {
        ++at.x;
        ++at.y;
    }
    return at;
}

Point page_control_origin(const Placement& placement, int frame_width, int frame_height) {
    return {scaled(placement.fx, frame_width), scaled(placement.fy, frame_height)};
}

Area preview_area(ReferenceSize reference) {
    return {place(0.0899, 0.1603, reference), scaled(0.4936, reference.width), scaled(0.3598, reference.height)};
}

}  // namespace np::ventra
