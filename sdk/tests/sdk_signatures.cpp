// The kit's headers against the driver's own declarations, checked by the compiler:
// the contract's function types (with the kit's record standing for the driver's),
// the result codes, the message numbers. The driver's exports include scanlink.h
// themselves, and the record's layout is checked where the driver declares it.
#include <type_traits>

#include "acquisition/card_transfer.h"
#include "acquisition/driver_queries.h"
#include "acquisition/image/image_delivery.h"
#include "acquisition/open_rules.h"
#include "acquisition/transfer/result_codes.h"
#include "common/adaptation_contract.h"
#include "common/sensor_lines.h"
#include "sdk/include/panodlg.h"
#include "sdk/include/scanlink.h"

namespace {

// A kit type as the driver spells it.
template <class T>
struct AsDriver {
    using type = T;
};
template <>
struct AsDriver<PANO_RECORD*> {
    using type = np::AcquisitionRecord*;
};
template <>
struct AsDriver<PANODLG_BOOL> {  // appears only as a result
    using type = bool;
};
template <>
struct AsDriver<PANODLG_NOTIFY> {
    using type = np::contract::NotifyFn;
};
template <class R, class... A>
struct AsDriver<R (*)(A...)> {
    using type = typename AsDriver<R>::type (*)(typename AsDriver<A>::type...);
};
template <class Kit, class Driver>
constexpr bool same_signature = std::is_same_v<typename AsDriver<Kit>::type, Driver>;

namespace c = np::contract;
static_assert(same_signature<OPENCOMMPORT_FN, c::OpenCommPortFn>);
static_assert(same_signature<READCOMMDATA_FN, c::ReadCommDataFn>);
static_assert(same_signature<REARRANGEMENT_FN, c::ReArrangementFn>);
static_assert(same_signature<GETTIMING_FN, c::GetTimingFn>);
static_assert(same_signature<NCANCOMBINEATM_FN, c::NCanCombineAtmFn>);
static_assert(same_signature<BRESOLUTION_FN, c::BResolutionFn>);
static_assert(same_signature<BPOSTPROCESS_FN, c::BPostProcessFn>);
static_assert(same_signature<BHAVETOMIRROR_FN, c::BHaveToMirrorFn>);
static_assert(same_signature<STARTDESIGNDIALOG_FN, c::StartDesignDialogFn>);
static_assert(same_signature<GETINFOSTIR_FN, c::GetInfosTirFn>);
static_assert(same_signature<TRAITEMENTATM4IMAGES_FN, c::TraitementAtm4ImagesFn>);
static_assert(same_signature<GETEXPOSITIONTIME_FN, c::GetExpositionTimeFn>);
static_assert(std::is_same_v<decltype(&OpenCommPort), OPENCOMMPORT_FN> &&
              std::is_same_v<decltype(&GetTiming), GETTIMING_FN> &&
              std::is_same_v<decltype(&bHaveToMirror), BHAVETOMIRROR_FN>);
static_assert(std::is_same_v<decltype(&PANOOPEN), PANOOPEN_FN> &&
              std::is_same_v<decltype(&PANOGETCOMMDATA), PANOGETCOMMDATA_FN>);

static_assert(PANODLG_NOTIFY_START == c::kNotifyStart &&
              PANODLG_NOTIFY_CANCEL == c::kNotifyCancel && PANODLG_NOTIFY_END == c::kNotifyEnd);
static_assert(PANODLG_LINK_UNAVAILABLE == c::kCommDeviceUnavailable &&
              PANODLG_CANCELLED == c::kReadCancelled);

namespace rules = np::open_rules;
static_assert(PANO_OPEN_OK == rules::kOpened && PANO_OPEN_NO_CARD == rules::kNoCard &&
              PANO_OPEN_NO_MASK == rules::kMaskMissing &&
              PANO_OPEN_NO_RESOURCES == rules::kOutOfResources &&
              PANO_OPEN_CARD_REQUEST_FAILED == rules::kCardRequestFailed &&
              PANO_OPEN_BAD_SETTINGS == rules::kBadCardSettings &&
              PANO_OPEN_UNSUPPORTED_FIRMWARE == rules::kUnsupportedFirmware &&
              PANO_OPEN_NO_ADAPTATION == rules::kAdaptationMissing);

namespace t = np::transfer;
static_assert(PANO_IMAGE_NO_MEMORY == t::kNoMemory &&
              PANO_IMAGE_UNIT_LINK_FAILED == t::kCommPortFailed &&
              PANO_IMAGE_UNIT_READ_FAILED == t::kReadCommData5 &&
              PANO_IMAGE_UNIT_DATA_REFUSED == t::kReadCommData6 &&
              PANO_IMAGE_CANCELLED == t::kCancelled &&
              PANO_IMAGE_TRANSFER_FAILED == t::kTransferFailedCode &&
              PANO_IMAGE_UNIT_DEVICE_MISSING == t::kCommDeviceUnavailable &&
              PANO_IMAGE_CARD_NOT_READY == t::kCardNotReadyCode);

static_assert(PANO_WM_IMAGE == np::image::kImageMessage && PANODLG_WM_IMAGE == PANO_WM_IMAGE);
static_assert(PANO_WM_PREVIEW == np::acquisition::kPreviewMessage &&
              PANODLG_WM_PREVIEW == PANO_WM_PREVIEW);
static_assert(PANO_WM_RAW_IMAGE == np::image::kRawImageMessage);
static_assert(PANO_IMAGE_HEIGHT == np::kSamplesPerLine);
static_assert(PANO_VERSION_SIZE == sizeof np::acquisition::kDriverVersion);

}  // namespace
