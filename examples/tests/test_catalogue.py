"""The catalogue: several alike buttons told apart by place and order, hovering, searching."""


def test_add_to_cart_by_place_and_order(agent):
    agent.run_all("""
        navigate catalogue.html
        click Add to cart near Red Scarf
        verify text Red Scarf added to your basket is visible
        click the second Add to cart
        click third Add to cart
        click Add to cart below Blue Backpack
    """)
    result = agent.run("extract text Basket")
    assert result["extracted"] == "Basket (4)"


def test_search_with_keys(agent):
    agent.run_all("""
        navigate catalogue.html
        click Search products
        sendkeys Backpack
        press Enter
        verify text Showing 1 of 3 products is visible
    """)


def test_hover_shows_delivery_terms(agent):
    agent.run("navigate /catalogue.html")
    agent.run("hover Delivery info")
    agent.run("verify text Free delivery on orders over $50 is visible")


def test_gift_wrapping_card(agent):
    agent.run("navigate catalogue.html")
    agent.run("click Gift wrapping")
    agent.run("find exact text Gift wrapping added")


def test_deal_that_arrives_late(agent):
    # The deal appears a moment after the page loads; the step waits for it.
    agent.run("navigate catalogue.html")
    agent.run("click Claim deal")
    agent.run("verify Deal claimed is present")
