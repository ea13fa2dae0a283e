#include "cdrip/scsi/burn_speed.h"

#include <array>

namespace brenlow {

namespace {

struct SpeedStep {
    int factor;
    std::uint16_t kbs;
};

// The drives' own rounding of factor × 176.4 kB/s.
constexpr std::array<SpeedStep, 11> kSpeeds{{{1, 176},
                                             {2, 352},
                                             {4, 706},
                                             {8, 1411},
                                             {12, 2112},
                                             {16, 2822},
                                             {20, 3528},
                                             {24, 4234},
                                             {32, 5644},
                                             {48, 8466},
                                             {52, 9171}}};

} // namespace

QStringList burnSpeedChoices(std::uint16_t maxWriteKbs)
{
    QStringList choices;
    if (maxWriteKbs != kUnknownWriteSpeed) {
        const int limit = maxWriteKbs / 176;
        for (const SpeedStep& step : kSpeeds)
            if (step.factor <= limit)
                choices.append(QString::number(step.factor));
    }
    choices.append(QStringLiteral("Maximum"));
    return choices;
}

std::uint16_t burnSpeedKbs(const QString& choice, std::uint16_t maxWriteKbs)
{
    for (const SpeedStep& step : kSpeeds)
        if (choice == QString::number(step.factor))
            return step.kbs;
    return maxWriteKbs;
}

} // namespace brenlow
