"""How the desktop tests fail: one exception with a message saying what was wrong."""


class Failure(Exception):
    pass


def fail(message):
    raise Failure(message)


def check(condition, message):
    if not condition:
        fail(message)
