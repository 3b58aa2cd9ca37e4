"""The install step outils/installer, with stand-ins for apt-get, sudo and id on a PATH of the
test's own and a file tree (INSTALLER_RACINE) holding the headers that count as present."""
import importlib.util
import os
import subprocess

import pytest

from conftest import OUTILS

# Each stand-in writes the words it was called with to $JOURNAL, one call a line.
FACTICES = {
    "apt-get": 'echo "$DEBIAN_FRONTEND apt-get $*" >>"$JOURNAL"',
    "sudo": '''echo "sudo $*" >>"$JOURNAL"; shift; [ "$SUDO_PERMIS" = oui ] || exit 1
[ "$1" = true ] && exit 0; export "$1"; shift; exec "$@"''',
    "id": 'echo "$UID_FACTICE"',
}
TOUT = ("cmake", "make", "g++", "clang")
ENTETES = ("usr/include/gtest/gtest.h", "usr/include/gmock/gmock.h",
           "usr/lib/llvm-17/lib/clang/17/include/omp.h",
           "usr/lib/llvm-17/lib/clang/17/lib/linux/libclang_rt.asan-x86_64.a")
INSTALLER = "apt-get install -y --no-install-recommends"
MAJ, SUDO = "noninteractive apt-get update", "sudo -n DEBIAN_FRONTEND=noninteractive apt-get"


def executable(chemin, corps):
    chemin.parent.mkdir(parents=True, exist_ok=True)
    chemin.write_text("#!/bin/sh\n" + corps + "\n")
    chemin.chmod(0o755)


CAS = [  # groups, commands on PATH, files, python, uid, sudo allowed, exit status, calls
    (["test"], TOUT, ENTETES, True, 0, "non", 0, None),
    (["run"], ("cmake", "make", "g++"), (), False, 0, "non", 0, None),
    (["test-clang"], TOUT, ENTETES, True, 0, "non", 0, None),  # omp.h of another clang
    (["test"], ("make", "g++"), ENTETES[:1], True, 0, "non", 0,
     [MAJ, f"noninteractive {INSTALLER} cmake libgmock-dev"]),
    (["plot", "bench"], TOUT, (), False, 0, "non", 0,
     [MAJ, f"noninteractive {INSTALLER} libbenchmark-dev time python3-numpy python3-matplotlib"]),
    (["run"], ("make", "g++"), (), False, 1000, "oui", 0,
     ["sudo -n true", f"{SUDO} update", MAJ, f"{SUDO} install -y --no-install-recommends cmake",
      f"noninteractive {INSTALLER} cmake"]),
    (["run"], ("make",), (), False, 1000, "non", 1, ["sudo -n true"]),
    (["tests"], TOUT, (), False, 0, "non", 1, None),  # unknown group
]


@pytest.mark.parametrize("groupes,commandes,fichiers,python,uid,sudo,statut,appels", CAS)
def test_installe_exactement_ce_qui_manque(tmp_path, groupes, commandes, fichiers, python, uid,
                                          sudo, statut, appels):
    if python and not all(importlib.util.find_spec(m) for m in ("numpy", "matplotlib")):
        pytest.skip("numpy ou matplotlib absent de /usr/bin/python3")
    for nom, corps in FACTICES.items():
        executable(tmp_path / "bin" / nom, corps)
    for nom in commandes:
        executable(tmp_path / "bin" / nom, "exit 0")
    for fichier in fichiers + (("usr/bin/python3",) if python else ()):
        (tmp_path / "racine" / fichier).parent.mkdir(parents=True, exist_ok=True)
    for fichier in fichiers:
        (tmp_path / "racine" / fichier).touch()
    if python:
        (tmp_path / "racine/usr/bin/python3").symlink_to("/usr/bin/python3")
    env = {"PATH": str(tmp_path / "bin"), "JOURNAL": str(tmp_path / "journal"),
           "UID_FACTICE": str(uid), "SUDO_PERMIS": sudo,
           "INSTALLER_RACINE": str(tmp_path / "racine")}
    fini = subprocess.run(["/bin/bash", str(OUTILS / "installer"), *groupes], env=env,
                          capture_output=True, text=True, timeout=60, check=False)
    journal = tmp_path / "journal"
    assert (fini.returncode, journal.read_text().splitlines() if journal.exists() else None) \
        == (statut, appels), fini.stderr
    if statut and appels:  # neither root nor sudo: the line to run as root
        assert f"apt-get update && {INSTALLER} cmake g++\n" in fini.stderr


def test_aucun_paquet_installe_redemande(tmp_path):
    """On this machine's files and PATH, a package that dpkg has installed is never asked for:
    a wrong path in outils/paquets would reinstall it at every make."""
    if not os.path.exists("/usr/bin/dpkg-query"):
        pytest.skip("pas de dpkg")
    lignes = [l.split() for l in (OUTILS / "paquets").read_text().splitlines()
              if l.strip() and not l.startswith("#")]
    executable(tmp_path / "bin/apt-get", FACTICES["apt-get"])
    executable(tmp_path / "bin/id", "echo 0")
    env = dict(os.environ, PATH=f"{tmp_path / 'bin'}:{os.environ['PATH']}",
               JOURNAL=str(tmp_path / "j"))
    env.pop("INSTALLER_RACINE", None)
    subprocess.run([str(OUTILS / "installer"), *{g for l in lignes for g in l[2:]}], env=env,
                   timeout=60, check=True)
    demandes = set((tmp_path / "j").read_text().split()[8:]) if (tmp_path / "j").exists() else set()
    etats = subprocess.run(["dpkg-query", "-W", "-f", "${Package} ${db:Status-Status}\n",
                            *(l[0] for l in lignes)], capture_output=True, text=True).stdout
    assert {l.split()[0] for l in etats.splitlines() if l.endswith(" installed")} & demandes \
        == set()
