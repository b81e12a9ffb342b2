#include "core/app/HttpClient.h"

#include "core/common/StringTable.h"

QString HttpReply::Describe() const {
    switch (end) {
    case HttpEndType::Done:
        if (Whole())
            return {};
        if (received == 0)
            return ResourceString(TextId::kHttpEmptyBody);
        return FormatResource(TextId::kHttpCutBody,
                              {QString::number(received), QString::number(announcedLength)});
    case HttpEndType::HttpError:
        return FormatResource(TextId::kHttpStatus, {detail});
    case HttpEndType::ConnectTimeout:
        return FormatResource(TextId::kHttpConnectTimeout, {detail});
    case HttpEndType::OverallTimeout:
        return FormatResource(TextId::kHttpOverallTimeout, {detail});
    case HttpEndType::Stalled:
        return FormatResource(TextId::kHttpStalled, {detail});
    case HttpEndType::TooLong:
        return FormatResource(TextId::kHttpTooLong, {detail});
    case HttpEndType::SinkFailed:
        return ResourceString(TextId::kHttpSinkFailed);
    case HttpEndType::RedirectRefused:
        return FormatResource(TextId::kHttpRedirectRefused, {detail});
    case HttpEndType::NetworkError:
        break;
    }
    return detail.isEmpty() ? ResourceString(TextId::kHttpNoAnswer) : detail;
}
