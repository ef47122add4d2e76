"""Time zones by name: IANA names, "UTC", and "local" for the system's zone."""

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
    return tz


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
