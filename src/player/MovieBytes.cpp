#include "MovieBytes.h"

#include "FlashInfo.h"

namespace {

QByteArray ToBytes(const std::vector<uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

std::optional<TMovieFacts> FactsOf(const std::vector<uint8_t>& file,
                                   const std::vector<uint8_t>& plain) {
    const auto size = FlashFrameSize(file.data(), file.size());
    const auto header = ReadFlashMovieFacts(plain);
    if (!size || !header) return std::nullopt;
    TMovieFacts facts;
    facts.width = size->first;
    facts.height = size->second;
    facts.frames = header->frame_count;
    facts.rate = header->frame_rate;
    facts.actionScript3 = header->action_script3;
    return facts;
}

} // namespace

std::optional<TMovieFacts> ReadMovieFacts(const std::vector<uint8_t>& file) {
    const auto plain = ReadFlashMovie(file.data(), file.size());
    if (!plain) return std::nullopt;
    return FactsOf(file, *plain);
}

TPreparedMovie PrepareMovie(const std::vector<uint8_t>& file, const QString& name, bool play_once) {
    TPreparedMovie prepared;
    prepared.movie.name = name;
    const auto plain = ReadFlashMovie(file.data(), file.size());
    if (plain) prepared.facts = FactsOf(file, *plain);
    if (!prepared.facts) {
        prepared.movie.bytes = ToBytes(file);
        return prepared;
    }
    const TMovieFacts& facts = *prepared.facts;
    prepared.movie.width = facts.width;
    prepared.movie.height = facts.height;
    std::optional<std::vector<uint8_t>> once;
    // ActionScript 3 movies run no frame actions, so a stop action would be ignored; a movie
    // of one frame is all script or clips and keeps running as it would in any player.
    if (play_once && facts.frames > 1 && !facts.actionScript3) once = WithStopOnLastFrame(*plain);
    if (once) {
        prepared.movie.bytes = ToBytes(*once);
        prepared.movie.stopsItself = true;
    } else {
        prepared.movie.bytes = ToBytes(*plain);
        if (play_once && facts.frames > 1 && facts.rate > 0)
            prepared.movie.pauseAfterSeconds = (facts.frames - 0.5) / facts.rate;
    }
    return prepared;
}
