// What the render settings record must hold, worked out from the host's parameter values on the test's side, and
// a field-by-field comparison that names the fields that differ.
#pragma once

#include <string>
#include <vector>

#include "host/host.h"
#include "schedule/render_settings.h"

namespace pwtest {

// The record for the parameters at the host's current time and its horizontal downsample factor.
pw::RenderSettings ExpectedSettings(const pwhost::Host& host, PF_RationalScale downsampleX);

// "field: got X, want Y" for every field that differs.
std::vector<std::string> SettingsDifferences(const pw::RenderSettings& got, const pw::RenderSettings& want);

// The record a pre-render handed over, read from the bytes of its pre-render data.
pw::RenderSettings SettingsFromData(const std::vector<uint8_t>& data);

}  // namespace pwtest
