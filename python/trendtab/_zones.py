"""Time zones by name: IANA names, Windows names, "UTC", and "local" for the system's zone."""

import datetime
import os


def resolve_zone(tz):
    """A tzinfo pandas accepts for ``tz``: an IANA name, "local", or a tzinfo as it is."""
    if tz is None:
        return datetime.timezone.utc
    if isinstance(tz, datetime.tzinfo):
        return tz
    if tz == "local":
        return local_zone()
    return iana_zone_name(tz)


def iana_zone_name(name):
    """The IANA name for a Windows zone name ("W. Europe Standard Time": "Europe/Berlin"),
    through the Unicode CLDR's mapping; any other name as it is."""
    from trendtab import _core

    if "/" in name or name.upper() == "UTC":
        return name
    others = _core.other_world_zone_names(name)
    return others[0] if others else name


def local_zone():
    """The system's current zone with its whole history: TZ if set, else /etc/localtime."""
    from dateutil import tz as dateutil_tz

    zone = dateutil_tz.gettz()
    if zone is None:
        raise ValueError("the system's time zone cannot be read (TZ, /etc/localtime)")
    return zone


def local_zone_name():
    """A name for the system's zone: TZ, or the zone /etc/localtime links to, else "local"."""
    name = os.environ.get("TZ", "").lstrip(":")
    if name:
        return name
    target = os.path.realpath("/etc/localtime")
    marker = "/zoneinfo/"
    return target.split(marker, 1)[1] if marker in target else "local"
