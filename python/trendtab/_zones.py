"""Time zones: IANA names, Windows names (through the Unicode CLDR's mapping), "UTC", and
"local" for the system's zone, as the converter and hstexport see them.

Every zone is a ``zoneinfo.ZoneInfo``, which pandas converts with the zone's own offsets in
every year (its list of changes, then its rule for later years, to the second for local mean
time). Names are looked up in ``TZDIR`` when it is set, as the C library and the time library
do. "local" is ``TZ`` as the C library reads it (a zone name, ``:name``, a zone file's path or a
POSIX rule such as ``EST5EDT,M3.2.0,M11.1.0``), else ``/etc/localtime``.
"""

import datetime
import os
import re
import struct
import warnings
import zoneinfo

_SYSTEM_ZONES = "/usr/share/zoneinfo"


class _Zone(zoneinfo.ZoneInfo):
    """A zoneinfo zone that pickles as the way it was found (so that Dask workers, other
    processes, rebuild the same zone from a file or a rule), and that gives a pandas Timestamp
    the offset of the instant it holds: pandas 1.5 boxes the stamps of an index without their
    fold, so the second occurrence of a repeated hour would otherwise show the first's offset."""

    def __reduce__(self):
        return (_rebuild, self._found)

    def _at_instant(self, dt):
        value = getattr(dt, "value", None)  # a pandas Timestamp: nanoseconds since 1970 UTC
        if value is None or dt.tzinfo is not self:
            return dt
        utc = _EPOCH + datetime.timedelta(microseconds=value // 1000)
        return zoneinfo.ZoneInfo.fromutc(self, utc.replace(tzinfo=self))

    def utcoffset(self, dt):
        return super().utcoffset(self._at_instant(dt))

    def dst(self, dt):
        return super().dst(self._at_instant(dt))

    def tzname(self, dt):
        return super().tzname(self._at_instant(dt))


_EPOCH = datetime.datetime(1970, 1, 1)


def _rebuild(kind, setting):
    return local_zone(setting) if kind == "local" else named_zone(setting)


def _zone_directory():
    return os.environ.get("TZDIR") or _SYSTEM_ZONES


def _read_zone_file(path):
    """The bytes of a TZif file, or None."""
    try:
        with open(path, "rb") as file:
            data = file.read()
    except OSError:
        return None
    return data if data.startswith(b"TZif") else None


def _zone_from_bytes(data, key, found):
    import io

    zone = _Zone.from_file(io.BytesIO(data), key=key)
    zone._found = found
    return zone


def named_zone(name):
    """The zone of an IANA name ("Europe/Berlin", "UTC"); ValueError for an unknown name."""
    if os.environ.get("TZDIR"):
        data = _read_zone_file(os.path.join(_zone_directory(), name)) if ".." not in name else None
        if data is not None:
            return _zone_from_bytes(data, name, ("name", name))
    try:
        zone = _Zone(name)
    except (zoneinfo.ZoneInfoNotFoundError, ValueError) as error:
        raise ValueError(f"unknown time zone {name!r}") from error
    zone._found = ("name", name)
    return zone


def resolve_zone(tz):
    """A tzinfo pandas accepts for ``tz``: an IANA name, "local", or a tzinfo as it is."""
    if tz is None:
        return datetime.timezone.utc
    if isinstance(tz, datetime.tzinfo):
        return tz
    if tz == "local":
        return local_zone()
    return named_zone(iana_zone_name(tz))


def iana_zone_name(name):
    """The IANA name for a Windows zone name ("W. Europe Standard Time": "Europe/Berlin"),
    through the Unicode CLDR's mapping; any other name as it is."""
    from trendtab import _core

    if "/" in name or name.upper() == "UTC":
        return name
    others = _core.other_world_zone_names(name)
    return others[0] if others else name


# The rule without daylight-saving dates that the C library completes with the United States'
# rule of today (its "posixrules"), e.g. "EST5EDT" where no zone file has that name.
_RULE_WITHOUT_DATES = re.compile(r"^(<[^>]+>|[A-Za-z]{3,})[-+]?\d[\d:]*(<[^>]+>|[A-Za-z]{3,})"
                                 r"([-+]?\d[\d:]*)?$")


def _tzif_of_rule(rule):
    """A TZif file without transitions whose footer is the rule: the rule governs every year."""
    counts = struct.pack(">6l", 0, 0, 0, 0, 1, 4)  # one type, four bytes of abbreviation
    data_block = struct.pack(">lBB", 0, 0, 0) + b"UTC\0"
    header = b"TZif2" + bytes(15) + counts
    return header + data_block + header + data_block + b"\n" + rule.encode() + b"\n"


def _zone_of_rule(rule, key):
    dated = rule + ",M3.2.0,M11.1.0" if _RULE_WITHOUT_DATES.match(rule) else None
    for candidate in (dated, rule):
        if candidate is None or "\n" in candidate:
            continue
        try:
            zone = _zone_from_bytes(_tzif_of_rule(candidate), key, ("local", key))
            datetime.datetime(2000, 1, 1, tzinfo=zone).utcoffset()  # the rule is parsed lazily
            return zone
        except (ValueError, UnicodeError):
            continue
    return None


def local_zone(setting=None):
    """The system's current zone as the C library reads it: TZ if set (``setting`` overrides
    it), else /etc/localtime. A TZ that names no zone and no rule gives UTC with a warning, as
    the C library silently uses UTC."""
    if setting is None:
        setting = os.environ.get("TZ")
    if setting is None:
        data = _read_zone_file("/etc/localtime")
        if data is None:
            return datetime.timezone.utc
        return _zone_from_bytes(data, local_zone_name(), ("local", None))
    found = ("local", setting)
    name = setting[1:] if setting.startswith(":") else setting
    if not name:
        return datetime.timezone.utc
    path = name if os.path.isabs(name) else os.path.join(_zone_directory(), name)
    data = _read_zone_file(path)
    if data is not None:
        return _zone_from_bytes(data, name, found)
    if not setting.startswith(":"):
        zone = _zone_of_rule(name, name)
        if zone is not None:
            zone._found = found
            return zone
    warnings.warn(f"TZ={setting!r} names no zone that can be loaded; local times are in UTC",
                  RuntimeWarning, stacklevel=3)
    return datetime.timezone.utc


def local_zone_name():
    """A name for the system's zone: TZ, or the zone /etc/localtime links to, else "local"."""
    name = os.environ.get("TZ", "").lstrip(":")
    if name:
        return name
    target = os.path.realpath("/etc/localtime")
    marker = "/zoneinfo/"
    return target.split(marker, 1)[1] if marker in target else "local"


def wall_clock_offset(naive, zone):
    """The offset of ``zone`` for a wall-clock reading (a naive datetime), by one rule: a
    reading that occurs twice means its first occurrence, one a change forward skips is read
    with the offset in force before the change (zoneinfo with ``fold=0``)."""
    if hasattr(zone, "localize") and isinstance(getattr(zone, "zone", None), str):
        zone = named_zone(zone.zone)  # pytz: its replace() would give local mean time
    offset = naive.replace(tzinfo=zone, fold=0).utcoffset()
    return offset if offset is not None else datetime.timedelta(0)
