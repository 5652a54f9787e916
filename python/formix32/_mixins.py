"""What the result types (_types.py, generated from the JSON schema) add
to their members: conveniences computed from them, never a number of
their own."""

from __future__ import annotations

from typing import Optional

_SEVERITIES = ("note", "warning", "error")


class DiagnosticMixin:
    def __str__(self) -> str:
        return f"{self.severity}: {self.message}"  # type: ignore[attr-defined]


class ReadingMixin:
    @property
    def worst(self) -> Optional[str]:
        """The worst severity among the diagnostics, or None."""
        levels = [_SEVERITIES.index(d.severity) for d in self.diagnostics]  # type: ignore[attr-defined]
        return _SEVERITIES[max(levels)] if levels else None


class ParticipantMixin:
    @property
    def flagged(self) -> bool:
        """Whether its formula was read with a warning: its numbers may not be the ones meant."""
        return any(d.severity == "warning" for d in (self.diagnostics or []))  # type: ignore[attr-defined]
