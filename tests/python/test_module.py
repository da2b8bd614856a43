import kolvi


def test_public_names():
    assert kolvi.__all__ == ["package", "test_function", "init_tracing"]
