// The steps that work on whole lines after the flat field: half balancing, seam
// filling, line spike repair and line normalisation.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "acquisition/image/flat_field.h"
#include "acquisition/image/image_types.h"

namespace np::image {

// Entry 0 is 0: a sample of 0 carries no signal and is never balanced.
using BalanceTable = std::array<std::uint16_t, kTableSize>;

// r = A / B maps the second half onto the first; the identity when balancing is off.
BalanceTable balance_table(const SeamSums& sums, int top, bool balancing);

// out[i] = min(in[i], top) for i in [0, count); in and out may be the same.
void limit_samples(const std::uint16_t* in, std::uint16_t* out, int count, int top);

// Every sample above the seam through the table (a 0 stays 0 through entry 0).
// Values beyond the transfer mode's range are taken as its top value.
void balance_halves(RawImage raw, int seam, int top, const BalanceTable& table);
void balance_line(std::uint16_t* line, int seam, int top, const BalanceTable& table);

enum class SeamFill { mean, shift_below, shift_above };

SeamFill seam_fill_for(std::uint32_t post_process_bits, bool mirrored);
void fill_seam(std::uint16_t* line, int seam, SeamFill fill);

// Sum of samples 100 to 1143 of every line, 0 stored as 1.
std::vector<std::uint32_t> line_sums(RawImage raw);
std::uint32_t line_sum(const std::uint16_t* line);

// A line much darker than both its neighbours is replaced by their mean.
void repair_line_spikes(RawImage raw, int top, std::vector<std::uint32_t>& sums);
// The same for line l alone (1 .. lines - 2), with lines l - 1 and l + 1 as they stand;
// true when it was replaced.
bool repair_line_spike(RawImage raw, int top, std::vector<std::uint32_t>& sums, int l);

// Every line but the first and last seven scaled towards the mean of its 15-line
// neighbourhood.
void normalise_lines(RawImage raw, int top, const std::vector<std::uint32_t>& sums);

// The same in parts: one ratio per line from the sums alone, then each line scaled.
std::vector<double> normalisation_ratios(const std::vector<std::uint32_t>& sums, int top);
void scale_line(std::uint16_t* line, int top, double ratio);

}  // namespace np::image
