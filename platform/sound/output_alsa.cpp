// ALSA output through alsa-lib: the playback PCMs as drivers, opened with a
// small explicit buffer so that little is queued ahead of what plays.
#include <alsa/asoundlib.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/sound/output.h"

namespace fsound {
namespace {

// Sizes in frames: 23 ms periods, 93 ms of buffer at 44100 Hz.
constexpr snd_pcm_uframes_t kPeriodFrames = 1024;
constexpr snd_pcm_uframes_t kBufferFrames = 4096;

void QuietErrorHandler(const char*, int, const char*, int, const char*, ...) {}

// "NAME: DESC" with the description's line breaks folded into ", ".
std::string DriverName(const char* name, const char* desc) {
  std::string out = name;
  if (desc == nullptr || *desc == '\0') return out;
  out += ": ";
  for (const char* p = desc; *p != '\0'; ++p) {
    if (*p == '\n') {
      out += ", ";
    } else {
      out += *p;
    }
  }
  return out;
}

struct PcmHint {
  std::string pcm;
  std::string label;
};

// Playback PCMs from the configuration's hints, "default" first. Devices are
// not opened here: probing each one is slow and makes alsa-lib complain.
std::vector<PcmHint> ListPlaybackPcms() {
  std::vector<PcmHint> pcms;
  void** hints = nullptr;
  bool haveDefault = false;
  if (snd_device_name_hint(-1, "pcm", &hints) == 0 && hints != nullptr) {
    for (void** h = hints; *h != nullptr; ++h) {
      char* name = snd_device_name_get_hint(*h, "NAME");
      char* desc = snd_device_name_get_hint(*h, "DESC");
      char* ioid = snd_device_name_get_hint(*h, "IOID");
      if (name != nullptr && (ioid == nullptr || std::strcmp(ioid, "Output") == 0)) {
        PcmHint hint{name, DriverName(name, desc)};
        if (hint.pcm == "default") {
          haveDefault = true;
          pcms.insert(pcms.begin(), std::move(hint));
        } else {
          pcms.push_back(std::move(hint));
        }
      }
      std::free(name);
      std::free(desc);
      std::free(ioid);
    }
    snd_device_name_free_hint(hints);
  }
  // "default" always exists in alsa-lib's own configuration, listed or not.
  if (!haveDefault) pcms.insert(pcms.begin(), PcmHint{"default", "default"});
  return pcms;
}

class AlsaOutput final : public Output {
 public:
  AlsaOutput() {
    snd_lib_error_set_handler(QuietErrorHandler);
    for (auto& hint : ListPlaybackPcms()) {
      pcms_.push_back(hint.pcm);
      drivers_.push_back(std::move(hint.label));
    }
  }
  ~AlsaOutput() override {
    if (pcm_ != nullptr) {
      snd_pcm_drop(pcm_);
      snd_pcm_close(pcm_);
    }
  }

  const std::vector<std::string>& Drivers() const override { return drivers_; }

  bool Open(int driver, int rate) override {
    if (pcm_ != nullptr || driver < 0 || driver >= static_cast<int>(pcms_.size())) return false;
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, pcms_[driver].c_str(), SND_PCM_STREAM_PLAYBACK, 0) < 0) return false;
    if (!Configure(pcm, static_cast<unsigned>(rate))) {
      snd_pcm_close(pcm);
      return false;
    }
    pcm_ = pcm;
    return true;
  }

  WriteResult Write(const std::int16_t* interleaved, int frames) override {
    while (frames > 0) {
      const snd_pcm_sframes_t n = snd_pcm_writei(pcm_, interleaved, static_cast<snd_pcm_uframes_t>(frames));
      if (n >= 0) {
        interleaved += 2 * n;
        frames -= static_cast<int>(n);
        continue;
      }
      if (n == -EAGAIN) continue;
      if (n == -EPIPE) underruns_.fetch_add(1, std::memory_order_relaxed);
      if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0) return WriteResult::Lost;
    }
    return WriteResult::Ok;
  }

  long Queued() override {
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(pcm_, &delay) < 0) return 0;
    return delay;
  }

  std::uint64_t Underruns() const override { return underruns_.load(std::memory_order_relaxed); }

 private:
  static bool Configure(snd_pcm_t* pcm, unsigned rate) {
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    snd_pcm_uframes_t period = kPeriodFrames;
    snd_pcm_uframes_t buffer = kBufferFrames;
    unsigned actualRate = rate;
    if (snd_pcm_hw_params_any(pcm, hw) < 0 ||
        snd_pcm_hw_params_set_rate_resample(pcm, hw, 1) < 0 ||
        snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
        snd_pcm_hw_params_set_format(pcm, hw, SND_PCM_FORMAT_S16_LE) < 0 ||
        snd_pcm_hw_params_set_channels(pcm, hw, 2) < 0 ||
        snd_pcm_hw_params_set_rate_near(pcm, hw, &actualRate, nullptr) < 0 || actualRate != rate ||
        snd_pcm_hw_params_set_period_size_near(pcm, hw, &period, nullptr) < 0 ||
        snd_pcm_hw_params_set_buffer_size_near(pcm, hw, &buffer) < 0 ||
        snd_pcm_hw_params(pcm, hw) < 0) {
      return false;
    }
    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    // Start once the buffer is full, so playback begins with its whole margin.
    return snd_pcm_sw_params_current(pcm, sw) >= 0 &&
           snd_pcm_sw_params_set_start_threshold(pcm, sw, buffer) >= 0 &&
           snd_pcm_sw_params_set_avail_min(pcm, sw, period) >= 0 && snd_pcm_sw_params(pcm, sw) >= 0 &&
           snd_pcm_prepare(pcm) >= 0;
  }

  std::vector<std::string> pcms_;
  std::vector<std::string> drivers_;
  snd_pcm_t* pcm_ = nullptr;
  std::atomic<std::uint64_t> underruns_{0};
};

}  // namespace

std::unique_ptr<Output> MakeAlsaOutput() { return std::make_unique<AlsaOutput>(); }

}  // namespace fsound
