"""The one entry of every tool of outils/: its main() run so that whatever
the input, the user reads one message on the error stream and the tool ends
with status 1, never a traceback. The tools turn the faults they expect
into messages naming the file; what reaches here unexpected is still said
in one line, with the tool's name."""
import sys


def executer(nom, principal, argv=None):
    """principal(argv)'s status; an exception escaping it is a message and 1
    (130 after Ctrl-C)."""
    try:
        return principal(argv)
    except KeyboardInterrupt:
        print(f"\n{nom} : interrompu", file=sys.stderr)
        return 130
    except UnicodeDecodeError as e:
        print(f"{nom} : un fichier lu n'est pas du texte UTF-8 (octet {e.object[e.start]:#04x} en position "
              f"{e.start})", file=sys.stderr)
    except OSError as e:
        quoi = f"{e.filename} : " if e.filename else ""
        print(f"{nom} : {quoi}{e.strerror or e}", file=sys.stderr)
    except MemoryError:
        print(f"{nom} : mémoire insuffisante", file=sys.stderr)
    except Exception as e:  # noqa: BLE001 -- the last net: a message, not a traceback
        print(f"{nom} : erreur inattendue ({type(e).__name__} : {e})", file=sys.stderr)
    return 1
