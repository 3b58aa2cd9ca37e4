"""The points of a sweep run on this machine, a few at a time, stopped as a
whole by SIGINT or SIGTERM; killed outright (SIGKILL), the sweep takes its
running points with it, and a sweep started again in the same folder never
runs beside one still running there."""
import ctypes
import errno
import fcntl
import os
import signal
import subprocess
import sys
import threading
import time

from .balayage_points import FICHIER_ERREURS, FICHIER_STATUT
from .dossier import FICHIER_CONSOLE


class Interruption(Exception):
    """The local sweep was stopped by SIGINT or SIGTERM (signum): its running
    points were stopped and left unfinished, no queued point was started."""

    def __init__(self, signum):
        super().__init__(signal.Signals(signum).name)
        self.signum = signum


FICHIER_VERROU = ".balayage.verrou"
_PR_SET_PDEATHSIG = 1  # linux/prctl.h


def _lien_au_parent():
    """What the child runs before exec so that the kernel kills it when this
    process dies, whatever kills it (SIGKILL included): PR_SET_PDEATHSIG,
    Linux only (None elsewhere). A parent already dead by then (a kill
    between fork and prctl) is seen by the parent pid having changed."""
    if not sys.platform.startswith("linux"):
        return None
    try:
        prctl = ctypes.CDLL(None, use_errno=True).prctl
    except (OSError, AttributeError):
        return None
    parent = os.getpid()

    def lier():
        prctl(_PR_SET_PDEATHSIG, signal.SIGKILL)
        if os.getppid() != parent:
            os._exit(1)
    return lier


class Verrou:
    """The sweep folder held by one local sweep at a time: an flock on
    .balayage.verrou, which every running point holds too (the descriptor
    passes to it), so that points left running by a sweep that died keep
    the folder until they end."""

    def __init__(self, dossier, attente=5.0):
        os.makedirs(dossier, exist_ok=True)
        self.chemin = os.path.join(dossier, FICHIER_VERROU)
        self.fd = os.open(self.chemin, os.O_RDWR | os.O_CREAT, 0o644)
        fin = time.monotonic() + attente
        while True:
            try:
                fcntl.flock(self.fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
                break
            except OSError as e:
                if e.errno not in (errno.EAGAIN, errno.EACCES):
                    raise
                # Points of a sweep just killed take a moment to die.
                if time.monotonic() >= fin:
                    tenu = os.pread(self.fd, 64, 0).decode("ascii", "replace").strip()
                    os.close(self.fd)
                    raise VerrouTenu(f"{dossier} : un autre balayage y tourne encore (balayage de pid {tenu or '?'}, "
                                     f"ou ses calculs) ; attendez qu'il finisse ou arrêtez-le, puis relancez la "
                                     f"même commande") from None
                time.sleep(0.1)
        os.ftruncate(self.fd, 0)
        os.pwrite(self.fd, f"{os.getpid()}\n".encode(), 0)

    def fermer(self):
        os.close(self.fd)


class VerrouTenu(Exception):
    """The sweep folder is held by a sweep (or its points) still running."""


def _demarrer_point(gain, arguments, dossier, verrou=None):
    """Starts gain in the point's folder, in a process group of its own (so
    that a stop reaches whatever it starts), bound to die with this process
    and holding the sweep's lock `verrou` (a descriptor) while it runs; None
    when it cannot be started, the point then failed with status 127."""
    statut_chemin = os.path.join(dossier, FICHIER_STATUT)
    if os.path.exists(statut_chemin):
        os.remove(statut_chemin)
    with open(os.path.join(dossier, FICHIER_CONSOLE), "wb") as sortie, \
            open(os.path.join(dossier, FICHIER_ERREURS), "wb") as erreurs:
        try:
            return subprocess.Popen([gain, *arguments], cwd=dossier, stdout=sortie, stderr=erreurs,
                                    stdin=subprocess.DEVNULL, start_new_session=True,
                                    preexec_fn=_lien_au_parent(),
                                    pass_fds=() if verrou is None else (verrou,))
        except OSError as e:
            erreurs.write(f"gain ne peut être lancé : {gain} : {e.strerror}\n".encode())
    _ecrire_statut(dossier, 127)
    return None


def _ecrire_statut(dossier, statut):
    chemin = os.path.join(dossier, FICHIER_STATUT)
    with open(chemin + ".tmp", "w", encoding="utf-8") as f:
        f.write(f"{statut}\n")
    os.replace(chemin + ".tmp", chemin)


def _finir_point(dossier, statut):
    """Records the status of a run that ended (128 + signal for a run killed
    by a signal, as the shell reports it) and returns it; a run ended by
    SIGINT or SIGTERM stays unfinished (None, no status), so that a resume
    runs it again."""
    if statut in (-signal.SIGINT, -signal.SIGTERM):
        return None
    if statut < 0:
        statut = 128 - statut
    _ecrire_statut(dossier, statut)
    return statut


def executer_point(gain, arguments, dossier):
    """Runs gain in the point's folder as the job array does; returns its
    status, None when it was interrupted (see _finir_point)."""
    processus = _demarrer_point(gain, arguments, dossier)
    return 127 if processus is None else _finir_point(dossier, processus.wait())


def _arreter_points(en_cours, delai=1.0):
    """Stops the running points: SIGTERM to each one's process group, SIGKILL
    to what is left after `delai` seconds. A point that had ended on its own
    keeps its status; a stopped one stays unfinished. Returns {name: status}."""
    arretes = set()
    for processus in en_cours:
        if processus.poll() is None:
            arretes.add(processus)
            try:
                os.killpg(processus.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
    fin = time.monotonic() + delai
    for processus in arretes:
        try:
            processus.wait(timeout=max(0.0, fin - time.monotonic()))
        except subprocess.TimeoutExpired:
            try:
                os.killpg(processus.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            processus.wait()
    statuts = {}
    for processus, (p, dossier) in en_cours.items():
        ok = processus not in arretes or processus.returncode == 0
        statuts[p.nom] = _finir_point(dossier, processus.returncode) if ok else None
    return statuts


def _duree(s):
    s = int(round(s))
    return f"{s // 3600}:{s // 60 % 60:02d}:{s % 60:02d}" if s >= 3600 else f"{s // 60}:{s % 60:02d}"


class _Progres:
    """The progress line of a local sweep: rewritten in place on a terminal,
    one line per step otherwise."""

    def __init__(self, nombre, flux):
        self.nombre, self.flux, self.debut = nombre, flux, time.monotonic()
        self.interactif = flux.isatty()

    def montrer(self, statuts):
        fait = len(statuts)
        echecs = sum(1 for v in statuts.values() if v not in (0, None))
        ecoule = time.monotonic() - self.debut
        reste = ecoule / fait * (self.nombre - fait) if fait else float("nan")
        ligne = (f"balayage : {fait}/{self.nombre} points faits, {echecs} en échec, "
                 f"écoulé {_duree(ecoule)}, reste ~{_duree(reste) if fait else '?'}")
        self.flux.write(("\r" + ligne + "\033[K") if self.interactif else ligne + "\n")
        self.flux.flush()


def _capter_arrets(recus):
    """SIGINT and SIGTERM noted in `recus` instead of ending the process (from
    the main thread only); returns the handlers to put back."""
    anciens = {}
    if threading.current_thread() is threading.main_thread():
        for s in (signal.SIGINT, signal.SIGTERM):
            anciens[s] = signal.signal(s, lambda signum, _: recus.append(signum))
    return anciens


def _tourner(b, file, gain, travaux, etat, verrou=None):
    """Starts queued points while fewer than `travaux` run, records those that
    end, until the queue is empty and nothing runs or a stop is received.
    etat: (statuts, running {process: (point, folder)}, stops received, progress)."""
    statuts, en_cours, recus, progres = etat
    while (file or en_cours) and not recus:
        while file and len(en_cours) < travaux and not recus:
            p = file.pop(0)
            dossier = p.dossier(b.dossier)
            processus = _demarrer_point(gain, b.arguments, dossier, verrou)
            if processus is None:
                statuts[p.nom] = 127
                progres.montrer(statuts)
            else:
                en_cours[processus] = (p, dossier)
        for processus in [q for q in en_cours if q.poll() is not None]:
            p, dossier = en_cours.pop(processus)
            statuts[p.nom] = _finir_point(dossier, processus.returncode)
            progres.montrer(statuts)
        if en_cours and not recus:
            time.sleep(0.05)


def lancer_local(b, points, gain, travaux, flux=sys.stdout, verrou=None):
    """Runs the points, `travaux` at a time, with a progress line; returns
    {point name: status}. SIGINT or SIGTERM stops the sweep at once: the
    running points are stopped (left unfinished), no other is started, and
    Interruption is raised. `verrou`: the descriptor of the sweep's lock
    (Verrou.fd), which every running point holds too."""
    statuts = {}
    progres = _Progres(len(points), flux)
    if not points:
        return statuts
    recus = []
    anciens = _capter_arrets(recus)
    en_cours = {}
    progres.montrer(statuts)
    try:
        _tourner(b, list(points), gain, travaux, (statuts, en_cours, recus, progres), verrou)
    finally:
        statuts.update(_arreter_points(en_cours))
        for s, ancien in anciens.items():
            signal.signal(s, ancien)
        if progres.interactif:
            flux.write("\n")
    if recus:
        raise Interruption(recus[0])
    return statuts
