def test_fresh_pages_share_no_storage(page):
    from kelvo_web.browser import new_page

    page.goto("data:text/html,<title>one</title>")
    other = new_page()
    try:
        assert other.context is not page.context
        assert page.context.browser is other.context.browser
    finally:
        other.context.close()
