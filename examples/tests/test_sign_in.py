"""Signing in: fields named by their labels and placeholders."""


def test_sign_in_with_email_and_password(agent):
    agent.run_all("""
        verify text Welcome to Kelvo Shop is visible
        type alice@example.com into Email
        type secret into Password
        click Sign in
        verify text Welcome, alice is visible
    """)


def test_sign_in_needs_a_password(agent):
    agent.run_all("""
        type bob@example.com into you@example.com
        verify Sign in is enabled
        click the Sign in button
        find text enter your email
        verify text Please enter your email and password is present
    """)


def test_sign_in_page_waits_for_nothing(agent):
    agent.run("wait 200")
    agent.run("verify Sign in is visible")
    agent.run("verify Your password is present")
