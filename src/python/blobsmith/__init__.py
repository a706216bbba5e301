"""Reads blobsmith pack files through the run-time reader's shared library.

    import blobsmith
    with blobsmith.Pack("res.bin") as pack:          # or Pack(bytes_of_a_pack)
        for member in pack:                           # every named entry
            print(member.name, member.size)
        data = pack.read("img/logo.png")              # letters without regard to case
        for entry in pack.listdir("img"):             # the directory view
            print(entry.name, entry.kind)
        pack.verify()                                 # raises blobsmith.Error

Names are str: stored bytes decoded as UTF-8, any other byte kept as a lone
surrogate ("surrogateescape"), so every name goes back to its bytes. The
library is libblobsmith-reader.so.0, or the file named by the environment
variable BLOBSMITH_READER_LIBRARY. Status values come from blobsmith/reader.h
(blobsmith._reader_h, made from it when the module is built).
"""

import ctypes
import os
from collections import namedtuple

from ._reader_h import *  # noqa: F401,F403 (the header's constants)
from . import _reader_h

__all__ = ["Pack", "Error", "Member", "DirEntry", "verify_bytes", "status_text"] + [
    name for name in dir(_reader_h) if name.startswith(("OK", "ERROR_", "FILE", "DIRECTORY"))
]

_library = ctypes.CDLL(os.environ.get("BLOBSMITH_READER_LIBRARY") or "libblobsmith-reader.so.0")


class _Member(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char * 56), ("size", ctypes.c_uint32), ("offset", ctypes.c_uint64)]


class _Info(ctypes.Structure):
    _fields_ = [("entry_count", ctypes.c_int32), ("machine", ctypes.c_char * 8),
                ("date", ctypes.c_char * 9), ("time", ctypes.c_char * 5)]


class _DirEntry(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char * 56), ("kind", ctypes.c_int32), ("index", ctypes.c_int32)]


class _Dir(ctypes.Structure):
    _fields_ = [("opaque", ctypes.c_uint64 * 8)]


class _VerifyState(ctypes.Structure):
    _fields_ = [("opaque", ctypes.c_uint64 * 16)]


def _declare(name, result, *arguments):
    function = getattr(_library, name)
    function.restype = result
    function.argtypes = list(arguments)
    return function


_pack_p = ctypes.c_void_p
_open_memory = _declare("blobsmith_open_memory", ctypes.c_int, ctypes.c_void_p, ctypes.c_size_t,
                        ctypes.c_void_p, ctypes.POINTER(_pack_p))
_open_file = _declare("blobsmith_open_file", ctypes.c_int, ctypes.c_char_p, ctypes.c_void_p,
                      ctypes.POINTER(_pack_p))
_close = _declare("blobsmith_close", None, _pack_p)
_entry_count = _declare("blobsmith_entry_count", ctypes.c_int32, _pack_p)
_pack_info_of = _declare("blobsmith_pack_info_of", ctypes.c_int, _pack_p, ctypes.POINTER(_Info))
_find = _declare("blobsmith_find", ctypes.c_int32, _pack_p, ctypes.c_char_p)
_find_exact = _declare("blobsmith_find_exact", ctypes.c_int32, _pack_p, ctypes.c_char_p)
_member_at = _declare("blobsmith_member_at", ctypes.c_int, _pack_p, ctypes.c_int32,
                      ctypes.POINTER(_Member))
_read_member = _declare("blobsmith_read_member", ctypes.c_int64, _pack_p, ctypes.c_int32,
                        ctypes.c_void_p, ctypes.c_size_t)
_status_text = _declare("blobsmith_status_text", ctypes.c_char_p, ctypes.c_int)
_version = _declare("blobsmith_version", ctypes.c_uint32)
_stat = _declare("blobsmith_stat", ctypes.c_int, _pack_p, ctypes.c_char_p,
                 ctypes.POINTER(ctypes.c_int32))
_dir_begin = _declare("blobsmith_dir_begin", ctypes.c_int, _pack_p, ctypes.c_char_p,
                      ctypes.POINTER(_Dir))
_dir_next = _declare("blobsmith_dir_next", ctypes.c_int, ctypes.POINTER(_Dir),
                     ctypes.POINTER(_DirEntry))
_verify = _declare("blobsmith_verify", ctypes.c_int, _pack_p, ctypes.c_void_p, ctypes.c_size_t)
_verify_begin = _declare("blobsmith_verify_begin", ctypes.c_int, ctypes.POINTER(_VerifyState))
_verify_update = _declare("blobsmith_verify_update", ctypes.c_int, ctypes.POINTER(_VerifyState),
                          ctypes.c_void_p, ctypes.c_size_t)
_verify_end = _declare("blobsmith_verify_end", ctypes.c_int, ctypes.POINTER(_VerifyState))

Member = namedtuple("Member", "index name size offset")
DirEntry = namedtuple("DirEntry", "name kind index")  # kind: "file" or "directory"


def status_text(status):
    """The library's short English text for a status."""
    return _status_text(status).decode("ascii")


def library_version():
    """The library's version as (major, minor, patch)."""
    number = _version()
    return (number >> 16, (number >> 8) & 0xFF, number & 0xFF)


class Error(Exception):
    """A call of the reader failed; .status is its status (blobsmith.ERROR_...)."""

    def __init__(self, status, what=""):
        self.status = status
        super().__init__((what + ": " if what else "") + status_text(status))


def _name_bytes(name):
    return os.fsencode(name) if isinstance(name, str) else bytes(name)


def _name_text(raw):
    return raw.decode("utf-8", "surrogateescape")


class Pack:
    """An open pack: from a path (str, bytes or os.PathLike naming a file) or
    from the bytes of a pack (bytes, bytearray, memoryview), which are
    copied once and read where they lie."""

    def __init__(self, source):
        self._handle = _pack_p()
        if isinstance(source, (bytes, bytearray, memoryview)):
            data = bytes(source)
            self._image = ctypes.create_string_buffer(data, max(len(data), 1))
            status = _open_memory(self._image, len(data), None, ctypes.byref(self._handle))
        else:
            self._image = None
            status = _open_file(os.fsencode(source), None, ctypes.byref(self._handle))
        if status != OK:
            self._handle = _pack_p()
            raise Error(status, "open")

    def close(self):
        if self._handle:
            _close(self._handle)
            self._handle = _pack_p()

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()

    def __del__(self):
        self.close()

    def _pack(self):
        if not self._handle:
            raise ValueError("the pack is closed")
        return self._handle

    @property
    def entry_count(self):
        """Entries in the table, zeroed ones included."""
        return _entry_count(self._pack())

    @property
    def info(self):
        """(machine, date, time) from the header."""
        info = _Info()
        _pack_info_of(self._pack(), ctypes.byref(info))
        return info.machine.decode("latin-1"), info.date.decode("latin-1"), info.time.decode("latin-1")

    def member(self, index):
        """The Member at index; Error for a damaged entry."""
        raw = _Member()
        status = _member_at(self._pack(), index, ctypes.byref(raw))
        if status != OK:
            raise Error(status, "entry %d" % index)
        return Member(index, _name_text(raw.name), raw.size, raw.offset)

    def __iter__(self):
        """Every entry with a name, in table order (zeroed entries left out)."""
        for index in range(self.entry_count):
            raw = _Member()
            status = _member_at(self._pack(), index, ctypes.byref(raw))
            if raw.name and status in (OK, ERROR_DAMAGED):
                yield Member(index, _name_text(raw.name), raw.size, raw.offset)

    def find(self, name):
        """The index blobsmith_find gives (letters without regard to case), or None."""
        index = _find(self._pack(), _name_bytes(name))
        return None if index == ERROR_NOT_FOUND else index

    def find_exact(self, name):
        """The index of the member called exactly name, or None."""
        index = _find_exact(self._pack(), _name_bytes(name))
        return None if index == ERROR_NOT_FOUND else index

    def read(self, name_or_index):
        """A member's bytes, by index or by name as find looks it up; KeyError
        when there is no such member, Error when it cannot be read."""
        index = name_or_index
        if not isinstance(name_or_index, int):
            index = self.find(name_or_index)
            if index is None:
                raise KeyError(name_or_index)
        size = self.member(index).size
        buffer = ctypes.create_string_buffer(max(size, 1))
        got = _read_member(self._pack(), index, buffer, size)
        if got < 0:
            raise Error(got, "read")
        return buffer.raw[:got]

    def stat(self, name):
        """"file", "directory" or None, as the directory view has name."""
        kind = _stat(self._pack(), _name_bytes(name), None)
        return {FILE: "file", DIRECTORY: "directory"}.get(kind)

    def listdir(self, directory=""):
        """The DirEntry list of a directory of the view ("" the root), in the
        packer's order; KeyError when there is no such directory."""
        cursor = _Dir()
        status = _dir_begin(self._pack(), _name_bytes(directory), ctypes.byref(cursor))
        if status == ERROR_NOT_FOUND:
            raise KeyError(directory)
        if status != OK:
            raise Error(status, "listdir")
        entries = []
        entry = _DirEntry()
        while _dir_next(ctypes.byref(cursor), ctypes.byref(entry)) == 1:
            entries.append(DirEntry(_name_text(entry.name),
                                    "file" if entry.kind == FILE else "directory", entry.index))
        return entries

    def walk(self, directory=""):
        """(directory, [subdirectory names], [file names]) for directory and
        every directory below it, "/" between levels, top down."""
        entries = self.listdir(directory)
        subdirectories = [e.name for e in entries if e.kind == "directory"]
        yield directory, subdirectories, [e.name for e in entries if e.kind == "file"]
        for name in subdirectories:
            yield from self.walk(directory + "/" + name if directory else name)

    def verify(self, work_size=1 << 20):
        """Checks the pack at run time (blobsmith_verify): raises Error with
        ERROR_CHECKSUM, ERROR_DAMAGED or ERROR_READ when it is not whole."""
        work = ctypes.create_string_buffer(work_size) if self._image is None else None
        status = _verify(self._pack(), work, work_size if work is not None else 0)
        if status != OK:
            raise Error(status, "verify")


def verify_bytes(chunks):
    """The incremental check over an iterable of bytes-like pieces, in order:
    the status blobsmith_verify_end gives (OK, or ERROR_...)."""
    state = _VerifyState()
    _verify_begin(ctypes.byref(state))
    for chunk in chunks:
        piece = bytes(chunk)
        if _verify_update(ctypes.byref(state), piece, len(piece)) != OK:
            break
    return _verify_end(ctypes.byref(state))
