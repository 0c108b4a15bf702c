"""The qz-470mr mesh module from Python: the engine of meshcfg-cli, its checks and its exit
codes as exceptions. Waits let other threads run; Ctrl+C ends them."""

# The docstrings repeat the module's own, word for word (tests/python/test_stubs.py checks it).

from typing import Any, Iterator, Optional, Sequence

class Error(Exception):
    """A failure of meshcfg: port (None when no port was involved), reason and exit_code, the
    command line's exit code for it."""

    port: Optional[str]
    """The port as it was named; None when no port was involved."""
    reason: str
    """What went wrong, without the port's name."""
    exit_code: int
    """The command line's exit code for the same failure."""

class PortError(Error):
    """The port cannot be opened, or was lost (exit code 3)."""

class NoReply(Error):
    """No reply within the time-out, or a reply with a wrong check byte (exit code 4)."""

class ModuleRefused(Error):
    """The module said no: a setting read back differs from the one written (exit code 1)."""

class UsageError(Error, ValueError):
    """A bad argument, port name or profile; nothing was sent (exit code 2)."""

class Setup:
    """The module's seven settings, typed as `meshcfg-cli read --json` prints them. A value
    outside its list reads as None."""

    def __init__(
        self,
        *,
        frequency: float,
        power: int,
        life_cycle: str,
        network_id: int,
        node_id: int,
        uart_baud: int,
        uart_parity: str,
    ) -> None:
        """All seven settings by name: Setup(frequency=434.0, power=7, life_cycle="1h",
        network_id=1, node_id=1, uart_baud=9600, uart_parity="NO"); UsageError for one
        missing or a value the command line refuses."""
    @property
    def frequency(self) -> float:
        """frequency in MHz, such as 433.5"""
    @property
    def power(self) -> Optional[int]:
        """transmit power, 1 to 7"""
    @property
    def life_cycle(self) -> Optional[str]:
        """life cycle, 1h to 24h"""
    @property
    def network_id(self) -> int:
        """network id, 0 to 65535"""
    @property
    def node_id(self) -> int:
        """node id, 0 to 65534"""
    @property
    def uart_baud(self) -> Optional[int]:
        """the module's UART rate, 1200 to 115200"""
    @property
    def uart_parity(self) -> Optional[str]:
        """the module's UART parity, NO|ODD|EVEN"""
    def replace(
        self,
        *,
        frequency: float = ...,
        power: int = ...,
        life_cycle: str = ...,
        network_id: int = ...,
        node_id: int = ...,
        uart_baud: int = ...,
        uart_parity: str = ...,
    ) -> Setup:
        """A copy with the settings given changed; UsageError for a value the command line
        refuses."""
    def as_dict(self) -> dict[str, Any]:
        """The settings as `meshcfg-cli read --json` prints them."""
    def __eq__(self, other: object) -> bool: ...

class Route:
    """One row of the module's route list."""

    @property
    def route(self) -> int:
        """The first hop towards the target."""
    @property
    def target(self) -> int:
        """The node the route leads to."""

class RouteList:
    """The route list as `meshcfg-cli route --json` shows it."""

    @property
    def local(self) -> int:
        """The module's own node id."""
    @property
    def routes(self) -> list[Route]:
        """The rows that hold a route, in entry order; empty for a module that hears no one."""

class Path:
    """The path as `meshcfg-cli path --json` shows it."""

    @property
    def nodes(self) -> list[int]:
        """The local node, then each hop's node, the target last."""
    @property
    def links(self) -> list[int]:
        """Each hop's link value, as minus the module's number."""

class SendStatus:
    """The module's confirmation of a send."""

    @property
    def code(self) -> int:
        """The module's status byte; 0 is ok."""
    @property
    def text(self) -> str:
        """The status in words: "Send data ok."."""
    @property
    def round_trip(self) -> float:
        """Seconds from the request's last byte to the confirmation's."""
    @property
    def ok(self) -> bool:
        """code == 0."""

class Notice:
    """Data another node sent to this module."""

    @property
    def source(self) -> Optional[int]:
        """The sending node; None when the notice does not hold its fields in order."""
    @property
    def link(self) -> Optional[int]:
        """The link value, as minus the module's number."""
    @property
    def data(self) -> bytes:
        """The data sent."""
    @property
    def frame(self) -> bytes:
        """The whole frame as it came."""

class NoticeStream(Iterator[Notice]):
    """The notices of one Module.notices call."""

    def __iter__(self) -> NoticeStream: ...
    def __next__(self) -> Notice: ...

class Profile:
    """A TOML profile of the seven settings."""

    @staticmethod
    def load(path: str) -> Profile:
        """Reads the profile as `meshcfg-cli apply` does; UsageError names its line."""
    @property
    def path(self) -> str:
        """The file as it was named."""
    @property
    def sha256(self) -> str:
        """The file's digest, as the line's report keeps it."""

class ApplyReport:
    """How an apply ended: PASS, or FAIL and why."""

    @property
    def result(self) -> str:
        """"PASS" or "FAIL"."""
    @property
    def passed(self) -> bool:
        """result == "PASS"."""
    @property
    def why(self) -> str:
        """Empty for a pass."""
    @property
    def exit_code(self) -> int:
        """What `meshcfg-cli apply` would have exited with."""
    @property
    def node_id(self) -> Optional[int]:
        """The node id the apply gives the module: node_id, else the profile's."""
    @property
    def read_back(self) -> Optional[Setup]:
        """The settings read back; None when nothing was."""
    @property
    def duration(self) -> float:
        """Seconds."""
    def __bool__(self) -> bool: ...

class Module:
    """A module on a port, opened at once: "COM200", a device path, or
    "rfc2217://host:port". Use it from one thread at a time: a call while another thread's
    call runs raises RuntimeError. Every wait lets other threads run; Ctrl+C ends it with
    KeyboardInterrupt and leaves the port open and usable."""

    def __init__(
        self, port: str, baud: int = 9600, timeout: float = 2.0, parity: str = "NO"
    ) -> None:
        """timeout: seconds to wait for each reply. PortError when the port cannot be opened,
        UsageError for a port name, rate, parity or time-out the command line refuses."""
    def __enter__(self) -> Module: ...
    def __exit__(self, *args: object) -> None: ...
    def close(self) -> None:
        """Closes the port; later calls raise UsageError."""
    @property
    def port(self) -> str:
        """The port as it was named."""
    @property
    def closed(self) -> bool:
        """Whether close() was called."""
    def read_setup(self) -> Setup:
        """The module's seven settings."""
    def write_setup(self, setup: Setup, verify: bool = False) -> None:
        """Writes the settings. verify: read back and compare; ModuleRefused names each
        setting that differs."""
    def route_list(self) -> RouteList:
        """The module's route list; its routes are empty when the module hears no one."""
    def path(self) -> Path:
        """The path of the module's last send."""
    def send(
        self,
        target: int,
        data: bytes,
        ack: bool = False,
        timeout: Optional[float] = None,
        mode: str = "auto",
        jump: int = 7,
        relays: Sequence[int] = (),
    ) -> SendStatus:
        """Sends data to the target node and returns the module's confirmation, whatever its
        status. mode: "forbidden", "auto", "force" or "source" (with relays); jump: 1 to 7;
        timeout: seconds for this send instead of the module's. UsageError, before anything
        is sent, for data beyond what the frame can carry."""
    def notices(self, timeout: Optional[float] = None) -> NoticeStream:
        """The receive notices as they come, those that came during earlier calls first,
        until timeout seconds have passed (None: until Ctrl+C)."""
    def apply(self, profile: Profile, node_id: Optional[int] = None) -> ApplyReport:
        """Writes the profile, with node_id on top, reads back and compares, as
        `meshcfg-cli apply` does; the port is opened anew for it."""

def ports() -> list[dict[str, Any]]:
    """The ports as `meshcfg-cli ports --json` lists them."""

def survey(ports: Sequence[str], baud: int = 9600, timeout: float = 2.0) -> dict[str, Any]:
    """Every module of a mesh read at once, as `meshcfg-cli mesh survey --json` shows it: a
    dict of nodes, edges and faults; a port that fails is one of the faults. The ports are
    named as for the command line's -p (COMn-COMm for a range); UsageError, before any port
    opens, for a name that can never be opened, a port named twice or reached through two
    names, or a rate or time-out the command line refuses."""

def plan(path: str, baud: int = 9600, timeout: float = 2.0) -> dict[str, Any]:
    """What applying the mesh file would change, as `meshcfg-cli mesh plan --json` shows it: a
    dict of modules, each with its state and changes (key, current, wanted), and the counts; a
    module that could not be read says why. Nothing is written. UsageError, before any port
    opens, for a file the command line refuses."""

def apply(path: str, baud: int = 9600, timeout: float = 2.0) -> dict[str, Any]:
    """The mesh file written to the modules that differ from it, all at once, each read back
    and compared, as `meshcfg-cli mesh apply --json` shows it: each module as wanted, written or
    failed with why. UsageError, before any port opens, for a file the command line refuses."""

def verify(path: str, baud: int = 9600, timeout: float = 2.0) -> dict[str, Any]:
    """Whether the mesh is as its file describes it, as `meshcfg-cli mesh verify --json` shows
    it: modules, nodes heard, links and one line per drift under "drifts". UsageError, before
    any port opens, for a file the command line refuses."""
