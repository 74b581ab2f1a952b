// The local time a picture was taken, as a still's time stamp and its EXIF
// facts tell it. Platform-free apart from LocalMomentNow.
#ifndef PUKAVRO_CAPTURE_MOMENT_H
#define PUKAVRO_CAPTURE_MOMENT_H

struct CaptureMoment {
    int year, month, day, hour, minute, second, milliseconds;
    int utc_offset_minutes;  // local time minus UTC: +540 for Japan
};

// The system's local time now, with its offset from UTC.
CaptureMoment LocalMomentNow();

// The local time of seconds since 1970 (UTC) and milliseconds after them,
// with the offset in force then.
CaptureMoment LocalMomentOf(long long unix_seconds, int milliseconds);

// 1 to 366: the day of the year of the moment's date.
int DayOfYear(const CaptureMoment &moment);

#endif
